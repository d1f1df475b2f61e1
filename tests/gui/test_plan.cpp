// tarsin-plan's window and the drawing area on its own, in this process.
#include <gtest/gtest.h>

#include <gtkmm/toolbar.h>
#include <gtkmm/toolbutton.h>
#include <gtkmm/viewport.h>
#include <unistd.h>

#include <sstream>

#include "acces.h"
#include "ecran.h"
#include "import/dxfhandler.h"
#include "import/lecture.h"
#include "support/dxf.h"
#include "support/fichiers.h"

using A = AccesTest;

namespace {

// Runs in a folder of its own, where the window finds "annotations.ann".
class FenetrePlanEssai : public ::testing::Test {
  protected:
    FenetrePlanEssai() {
        dossier.ecrire("annotations.ann",
                       "0:0|Fissure\nFissure au pied du mur\n2:0|Regard\nRegard a deplacer\n");
        ici = Glib::get_current_dir();
        if (chdir(dossier.chemin().c_str()) != 0) ADD_FAILURE();
    }
    ~FenetrePlanEssai() override {
        if (chdir(ici.c_str()) != 0) ADD_FAILURE();
    }
    std::vector<Glib::ustring> titres(const Gtk::TreeModel::Children& rangs) {
        std::vector<Glib::ustring> r;
        for (const auto& rang : rangs) r.push_back(rang[A::colonnes(*f).colCalque]);
        return r;
    }

    DossierTemporaire dossier;
    std::string ici;
    std::ostringstream sortie, erreurs;
    std::unique_ptr<FenetrePlan> f;
};

}  // namespace

TEST_F(FenetrePlanEssai, ArbreDesWidgetsEtRangsDeDemonstration) {
    f = std::make_unique<FenetrePlan>(sortie, erreurs);
    EXPECT_EQ(f->get_title(), "");
    int l = 0, h = 0;
    f->get_default_size(l, h);
    EXPECT_EQ(l, 2000);
    EXPECT_EQ(h, 2000);

    // The toolbar stands straight in the left column.
    auto* barre = dynamic_cast<Gtk::Toolbar*>(A::ui(*f)->get_widget("/ToolBar"));
    ASSERT_NE(barre, nullptr);
    EXPECT_EQ(enfants(A::colonneGauche(*f)),
              (std::vector<Gtk::Widget*>{barre, &A::defilArbre(*f), &A::boiteBoutons(*f),
                                         &A::defilAnnotation(*f)}));
    ASSERT_EQ(barre->get_n_items(), 2);
    EXPECT_EQ(dynamic_cast<Gtk::ToolButton*>(barre->get_nth_item(0))->get_label(), "Ouvrir");
    EXPECT_TRUE(A::actions(*f)->get_action("FileOpen"));
    EXPECT_TRUE(A::actions(*f)->get_action("FileQuit"));
    int largeur = 0, hauteur = 0;
    A::colonneGauche(*f).get_size_request(largeur, hauteur);
    EXPECT_EQ(largeur, 300);
    EXPECT_EQ(enfants(A::boitePrincipale(*f)),
              (std::vector<Gtk::Widget*>{&A::colonneGauche(*f), &A::defilDessin(*f)}));
    EXPECT_EQ(A::defilDessin(*f).get_child(), nullptr);

    Gtk::TreeView& arbre = A::arbre(*f);
    ASSERT_EQ(arbre.get_columns().size(), 2u);
    EXPECT_EQ(arbre.get_column(0)->get_title(), "Reseau");
    EXPECT_EQ(arbre.get_column(1)->get_title(), "Affichage");
    auto* boite = dynamic_cast<Gtk::CellRendererToggle*>(arbre.get_column_cell_renderer(1));
    ASSERT_NE(boite, nullptr);
    EXPECT_FALSE(boite->get_activatable());
    for (Gtk::Button* b : {&A::nouvelle(*f), &A::modifier(*f), &A::supprimer(*f)})
        EXPECT_FALSE(b->get_sensitive());
    EXPECT_EQ(A::texte(*f), "Veuillez selectionner une annotation...");

    // Three rows and the annotations "annotations.ann" gives them.
    auto rangs = A::modele(*f)->children();
    EXPECT_EQ(titres(rangs), (std::vector<Glib::ustring>{"0:*", "2:*", "4:*"}));
    EXPECT_EQ(titres(rangs[0].children()), std::vector<Glib::ustring>{"Fissure"});
    EXPECT_EQ(titres(rangs[1].children()), std::vector<Glib::ustring>{"Regard"});
    EXPECT_TRUE(rangs[2].children().empty());
    for (const auto& r : rangs) EXPECT_FALSE(r[A::colonnes(*f).colAffichage]);
    EXPECT_EQ(erreurs.str(), "");
}

TEST_F(FenetrePlanEssai, ActivationEtBoutons) {
    f = std::make_unique<FenetrePlan>(sortie, erreurs);
    Gtk::TreeViewColumn* colonne = A::arbre(*f).get_column(0);
    A::arbre(*f).row_activated(Gtk::TreePath("0:0"), *colonne);
    EXPECT_EQ(A::rangCourant(*f), "0:0");
    EXPECT_EQ(A::texte(*f), "Fissure au pied du mur");
    EXPECT_FALSE(A::nouvelle(*f).get_sensitive());
    EXPECT_TRUE(A::modifier(*f).get_sensitive());
    // The row "Regard" hangs under "2:*" at the path 1:0, and the text is
    // looked up by the path.
    A::arbre(*f).row_activated(Gtk::TreePath("1:0"), *colonne);
    EXPECT_EQ(A::texte(*f), "pas d'annotation rentree !");

    A::arbre(*f).row_activated(Gtk::TreePath("2"), *colonne);
    EXPECT_EQ(A::rangCourant(*f), "2");
    EXPECT_EQ(A::texte(*f), "Veuillez selectionner une annotation...");
    EXPECT_TRUE(A::nouvelle(*f).get_sensitive());
    EXPECT_FALSE(A::supprimer(*f).get_sensitive());

    sortie.str("");
    A::nouvelle(*f).clicked();
    A::modifier(*f).clicked();
    A::supprimer(*f).clicked();
    EXPECT_EQ(sortie.str(), "2\ntatante edit\ntatante delete\n");
}

TEST_F(FenetrePlanEssai, SansFichierDAnnotations) {
    ASSERT_EQ(unlink("annotations.ann"), 0);
    f = std::make_unique<FenetrePlan>(sortie, erreurs);
    EXPECT_EQ(A::modele(*f)->children().size(), 3u);
    // Once per row.
    EXPECT_EQ(erreurs.str(),
              "Impossible d'ouvrir le fichier d'annotations!\n"
              "Impossible d'ouvrir le fichier d'annotations!\n"
              "Impossible d'ouvrir le fichier d'annotations!\n");
}

TEST_F(FenetrePlanEssai, AddAreaMontreLeDessin) {
    f = std::make_unique<FenetrePlan>(sortie, erreurs);
    DXFHandler handler(sortie);
    const std::string plan =
        dossier.ecrire("p.dxf", dxf::entites(dxf::ligne(10, 100, 300, 100, surCalque("0", 1))));
    ASSERT_TRUE(lireDXF(plan, handler).utilisable());
    DXFArea dessin(handler.getDessin(), 2.0, sortie);
    f->addArea(dessin);
    auto* vue = dynamic_cast<Gtk::Viewport*>(dessin.get_parent());
    ASSERT_NE(vue, nullptr);
    EXPECT_EQ(vue->get_parent(), &A::defilDessin(*f));

    f->set_default_size(900, 700);
    f->show();
    attendrePeinture(dessin);
    const int H = dessin.get_allocation().get_height();
    ASSERT_GT(H, 0);
    // (100, 100) lands at (200, H - 200) at scale 2.
    auto image =
        Gdk::Pixbuf::create(Glib::RefPtr<Gdk::Drawable>(dessin.get_window()), 200, H - 202, 1, 5);
    bool rouge = false;
    for (int i = 0; i < 5; ++i) rouge = rouge || pixel(image, 0, i).rougeatre();
    EXPECT_TRUE(rouge);
    sortie.str("");
    dessin.reDessiner();
    attendrePeinture(dessin);
    // The paint trace goes to the stream the area was given.
    EXPECT_NE(sortie.str().find("ligne"), std::string::npos);
    f->hide();
}

TEST(DXFArea, EchelleEtCalquesMasques) {
    std::ostringstream sortie;
    DXFArea d(sortie);
    EXPECT_EQ(d.getEchelle(), 1.0);
    EXPECT_FALSE(d.setEchelle(1.0));
    EXPECT_TRUE(d.setEchelle(0.5));
    EXPECT_TRUE(d.setEchelle(1e-9));
    EXPECT_EQ(d.getEchelle(), kEchelleMin);
    for (double refusee : {0.0, -1.0, std::nan(""), 1.0 / 0.0}) EXPECT_FALSE(d.setEchelle(refusee));
    EXPECT_EQ(d.getEchelle(), kEchelleMin);

    d.masquerCalque("Mur");
    d.masquerCalque("Mur");
    d.masquerCalque("mur");
    EXPECT_TRUE(d.contains("Mur"));
    d.afficherCalque("Mur");
    EXPECT_FALSE(d.contains("Mur"));
    EXPECT_TRUE(d.contains("mur"));
    d.afficherCalque("absent");
    EXPECT_EQ(d.getCalquesMasques(), std::list<std::string>{"mur"});
    d.toutAfficher();
    EXPECT_TRUE(d.getCalquesMasques().empty());

    DXFHandler handler(sortie);
    DXFArea plan(handler.getDessin(), 0.1, sortie);
    EXPECT_EQ(plan.getEchelle(), 0.1);
    EXPECT_EQ(&plan.getDessin(), handler.getDessin().get());
}

TEST(DXFArea, ExposeSansFenetreNePeintRien) {
    std::ostringstream sortie;
    DXFArea d(sortie);
    GdkEventExpose e{};
    EXPECT_TRUE(A::exposer(d, &e));
    EXPECT_EQ(sortie.str(), "");
}
