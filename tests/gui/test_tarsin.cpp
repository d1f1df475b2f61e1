// The full viewer's window, built and driven in this process.
#include <gtest/gtest.h>

#include <gtk/gtk.h>
#include <sys/stat.h>
#include <cairomm/surface.h>
#include <gtkmm/cellrenderertoggle.h>
#include <gtkmm/menutoolbutton.h>
#include <gtkmm/stock.h>
#include <gtkmm/toolbar.h>
#include <gtkmm/toolbutton.h>
#include <gtkmm/viewport.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <tuple>

#include "acces.h"
#include "annot/annotations.h"
#include "ecran.h"
#include "import/dxfhandler.h"
#include "support/dxf.h"
#include "support/fichiers.h"

using A = AccesTest;

namespace {

struct Emballage {
    bool expand, fill;
    guint padding;
    Gtk::PackType sens;
};
Emballage emballage(Gtk::Box& boite, Gtk::Widget& enfant) {
    gboolean expand = FALSE, fill = FALSE;
    guint padding = 0;
    GtkPackType sens = GTK_PACK_START;
    gtk_box_query_child_packing(boite.gobj(), enfant.gobj(), &expand, &fill, &padding, &sens);
    return {expand != FALSE, fill != FALSE, padding, static_cast<Gtk::PackType>(sens)};
}

// The texts of the rows under `parent` (the top level when null).
std::vector<std::string> titres(Tarsin& t, const Gtk::TreeModel::Children& rangs) {
    std::vector<std::string> r;
    for (const auto& rang : rangs) r.push_back(rang[A::colonnes(t).colCalque]);
    return r;
}
std::vector<std::string> titres(Tarsin& t) { return titres(t, A::modele(t)->children()); }

// Layers in the given order, each with one line across the drawing.
std::string dessinAvecCalques(const std::vector<std::string>& noms) {
    std::string calques, lignes;
    for (const auto& n : noms) {
        calques += dxf::calque(n);
        lignes += dxf::ligne(0, 0, 10, 10, surCalque(n));
    }
    return dxf::fichier(dxf::tables(calques) + dxf::section("ENTITIES", lignes));
}

class FenetreTarsin : public ::testing::Test {
  protected:
    std::ostringstream sortie, erreurs;
    DossierTemporaire dossier;
    Tarsin t{sortie, erreurs};

    // Whether a reddish (or bluish) pixel lies within two rows of the device
    // row `y`, at the device column `x` of the drawing area.
    // Opens, in a 1000 x 800 window, a red line on "rouge" above a blue one
    // on "bleu", the layers defined by `calques`.
    DXFArea& ouvrirRougeEtBleu(const std::string& nom, const std::string& calques) {
        const std::string plan = dossier.ecrire(
            nom, dxf::fichier(dxf::tables(calques) +
                              dxf::section("ENTITIES",
                                           dxf::ligne(20, 800, 300, 800, surCalque("rouge")) +
                                               dxf::ligne(20, 700, 300, 700, surCalque("bleu")))));
        t.set_default_size(1000, 800);
        t.show();
        EXPECT_TRUE(t.ouvrir(plan));
        laisserTourner(300);
        return A::dessin(t);
    }

    Couleur echantillon(bool rouge, int x, int y) {
        DXFArea& d = A::dessin(t);
        attendrePeinture(d);
        auto image =
            Gdk::Pixbuf::create(Glib::RefPtr<Gdk::Drawable>(d.get_window()), x, y - 2, 1, 5);
        for (int i = 0; i < 5; ++i) {
            Couleur c = pixel(image, 0, i);
            if (rouge ? c.rougeatre() : c.bleuatre()) return c;
        }
        return pixel(image, 0, 2);
    }
};

}  // namespace

TEST_F(FenetreTarsin, ArbreDesWidgets) {
    EXPECT_EQ(t.get_title(), "Tarsin");
    int l = 0, h = 0;
    t.get_default_size(l, h);
    EXPECT_EQ(l, 2000);
    EXPECT_EQ(h, 2000);
    EXPECT_EQ(t.get_child(), &A::boiteFenetre(t));
    // The status bar under everything.
    EXPECT_EQ(enfants(A::boiteFenetre(t)),
              (std::vector<Gtk::Widget*>{&A::boitePrincipale(t), &A::barreEtat(t)}));
    EXPECT_FALSE(emballage(A::boiteFenetre(t), A::barreEtat(t)).expand);

    // The left column keeps its 300 pixels; the drawing pane takes the rest.
    Gtk::HBox& principale = A::boitePrincipale(t);
    EXPECT_EQ(enfants(principale),
              (std::vector<Gtk::Widget*>{&A::colonneGauche(t), &A::defilDessin(t)}));
    Emballage e = emballage(principale, A::colonneGauche(t));
    EXPECT_FALSE(e.expand);
    EXPECT_TRUE(e.fill);
    EXPECT_TRUE(emballage(principale, A::defilDessin(t)).expand);
    int largeur = 0, hauteur = 0;
    A::colonneGauche(t).get_size_request(largeur, hauteur);
    EXPECT_EQ(largeur, 300);
    EXPECT_EQ(hauteur, -1);

    // Toolbar and zoom buttons on one row, then tree, buttons, text; the
    // tree and the text share the extra height.
    Gtk::VBox& gauche = A::colonneGauche(t);
    // Exporter and Imprimer on a row of their own under the toolbar.
    EXPECT_EQ(enfants(gauche), (std::vector<Gtk::Widget*>{
                                   &A::barreOutils(t), &A::boiteCommandes(t), &A::outils(t).barre(),
                                   &A::boiteCalques(t), &A::defilArbre(t), &A::boiteBoutons(t),
                                   &A::defilAnnotation(t), &A::outils(t).panneau()}));
    EXPECT_FALSE(emballage(gauche, A::barreOutils(t)).expand);
    EXPECT_TRUE(emballage(gauche, A::defilArbre(t)).expand);
    EXPECT_FALSE(emballage(gauche, A::boiteBoutons(t)).expand);
    EXPECT_TRUE(emballage(gauche, A::defilAnnotation(t)).expand);
    for (Gtk::Box* b : std::vector<Gtk::Box*>{&A::boiteFenetre(t), &principale, &gauche,
                                              &A::barreOutils(t), &A::boiteZoom(t)}) {
        EXPECT_FALSE(b->get_homogeneous());
        EXPECT_EQ(b->get_spacing(), 0);
    }

    auto* barre = dynamic_cast<Gtk::Toolbar*>(A::ui(t)->get_widget("/ToolBar"));
    ASSERT_NE(barre, nullptr);
    EXPECT_EQ(enfants(A::barreOutils(t)), (std::vector<Gtk::Widget*>{barre, &A::boiteZoom(t)}));
    EXPECT_TRUE(emballage(A::barreOutils(t), *barre).expand);
    EXPECT_FALSE(emballage(A::barreOutils(t), A::boiteZoom(t)).expand);
    ASSERT_EQ(barre->get_n_items(), 2);
    auto* ouvrir = dynamic_cast<Gtk::ToolButton*>(barre->get_nth_item(0));
    auto* quitter = dynamic_cast<Gtk::ToolButton*>(barre->get_nth_item(1));
    ASSERT_TRUE(ouvrir && quitter);
    EXPECT_EQ(ouvrir->get_label(), "Ouvrir");
    EXPECT_EQ(quitter->get_label(), "Quitter");
    EXPECT_EQ(ouvrir->get_stock_id(), Gtk::StockID(Gtk::Stock::OPEN).get_string());
    EXPECT_EQ(quitter->get_stock_id(), Gtk::StockID(Gtk::Stock::QUIT).get_string());
    // "Ouvrir" with the recent drawings under its arrow; "Exporter" and
    // "Imprimer" wait for a drawing.
    EXPECT_NE(dynamic_cast<Gtk::MenuToolButton*>(ouvrir), nullptr);
    for (Gtk::Widget* w : enfants(A::boiteCommandes(t)))
        EXPECT_EQ(w->is_sensitive(), w == &A::ajuster(t));
    EXPECT_EQ(A::actions(t)->get_action("Open")->property_tooltip().get_value(),
              "Ouvrir un fichier .dxf");
    EXPECT_EQ(enfants(A::boiteZoom(t)), (std::vector<Gtk::Widget*>{&A::zoomM(t), &A::zoomP(t)}));
    EXPECT_EQ(enfants(A::boiteCommandes(t)).front(), &A::ajuster(t));
    EXPECT_EQ(A::ajuster(t).get_label(), "Ajuster");
    EXPECT_EQ(A::zoomM(t).get_label(), "Zoom-");
    EXPECT_EQ(A::zoomP(t).get_label(), "Zoom+");

    // The layer list: "Calque" as text, "Affichage" as a box one can click.
    Gtk::TreeView& arbre = A::arbre(t);
    EXPECT_EQ(arbre.get_parent(), &A::defilArbre(t));
    ASSERT_EQ(arbre.get_columns().size(), 2u);
    EXPECT_EQ(arbre.get_column(0)->get_title(), "Calque");
    EXPECT_EQ(arbre.get_column(1)->get_title(), "Affichage");
    auto* boite = dynamic_cast<Gtk::CellRendererToggle*>(arbre.get_column_cell_renderer(1));
    ASSERT_NE(boite, nullptr);
    EXPECT_TRUE(boite->get_activatable());
    EXPECT_EQ(A::modele(t)->children().size(), 0u);
    Gtk::PolicyType ph, pv;
    A::defilArbre(t).get_policy(ph, pv);
    EXPECT_EQ(ph, Gtk::POLICY_AUTOMATIC);
    EXPECT_EQ(pv, Gtk::POLICY_AUTOMATIC);

    EXPECT_EQ(enfants(A::boiteBoutons(t)),
              (std::vector<Gtk::Widget*>{&A::nouvelle(t), &A::modifier(t), &A::supprimer(t)}));
    EXPECT_EQ(A::nouvelle(t).get_label(), "Nouvelle");
    EXPECT_EQ(A::modifier(t).get_label(), "Modifier");
    EXPECT_EQ(A::supprimer(t).get_label(), "Supprimer");
    for (Gtk::Button* b : {&A::nouvelle(t), &A::modifier(t), &A::supprimer(t)})
        EXPECT_FALSE(b->get_sensitive());

    EXPECT_EQ(A::vueAnnotation(t).get_parent(), &A::defilAnnotation(t));
    EXPECT_EQ(A::texte(t),
              "\n-------- Aucune annotation s\xc3\xa9lectionn\xc3\xa9"
              "e --------");

    // The drawing area, in a viewport of the drawing pane, paints its own
    // empty drawing until one is opened.
    DXFArea& d = A::dessin(t);
    auto* vue = dynamic_cast<Gtk::Viewport*>(d.get_parent());
    ASSERT_NE(vue, nullptr);
    EXPECT_EQ(vue->get_parent(), &A::defilDessin(t));
    EXPECT_EQ(d.getEchelle(), 1.0);
    EXPECT_TRUE(d.getCalques().empty());
    EXPECT_EQ(A::dessinOuvert(t), nullptr);
    EXPECT_EQ(A::fichierAnnot(t), "");
    EXPECT_TRUE(d.get_visible());
    EXPECT_FALSE(t.get_visible());
}

// The handle over the left column's edge drags it, within its bounds.
TEST_F(FenetreTarsin, PoigneeDeLaColonne) {
    t.set_default_size(1000, 800);
    t.show();
    laisserTourner(300);
    GdkWindow* poignee = A::poignee(t);
    ASSERT_NE(poignee, nullptr);
    const int avant = A::colonneGauche(t).get_allocation().get_width();
    auto envoyer = [&](GdkEventType type, double x) {
        GdkEvent* e = gdk_event_new(type);
        e->any.window = GDK_WINDOW(g_object_ref(poignee));
        (type == GDK_MOTION_NOTIFY ? e->motion.x_root : e->button.x_root) = x;
        if (type != GDK_MOTION_NOTIFY) e->button.button = 1;
        gtk_main_do_event(e);
        gdk_event_free(e);
    };
    for (auto [depart, arrivee, largeur] :
         {std::tuple{500, 600, avant + 100}, std::tuple{500, -1000, PoigneeColonne::kColonneMin}}) {
        envoyer(GDK_BUTTON_PRESS, depart);
        envoyer(GDK_MOTION_NOTIFY, arrivee);
        envoyer(GDK_BUTTON_RELEASE, arrivee);
        envoyer(GDK_MOTION_NOTIFY, 0);  // released: no drag any more
        EXPECT_EQ(t.getLargeurColonne(), largeur);
        laisserTourner(100);
    }
}

TEST_F(FenetreTarsin, PresentationsListeesEtChoisies) {
    Gtk::ComboBoxText& liste = A::presentations(t);
    ASSERT_TRUE(t.ouvrir(dossier.ecrire("plan.dxf", dessinAvecCalques({"a"}))));
    EXPECT_FALSE(liste.get_visible());
    ASSERT_TRUE(t.ouvrir(source("tests/references/presentations-plan.dxf")));
    EXPECT_TRUE(liste.get_visible());
    EXPECT_EQ(liste.get_active_text(), "Objet");
    liste.set_active(2);
    EXPECT_EQ(A::dessin(t).getPresentation(), 2u);
    // Read anew, the drawing keeps the layout shown.
    ASSERT_TRUE(t.recharger());
    EXPECT_EQ(liste.get_active_text(), "Detail");
}

TEST_F(FenetreTarsin, ArbreDesCalquesEnOrdreDOctets) {
    const std::string plan = dossier.ecrire("plan.DXF", dessinAvecCalques({"b", "A", "a"}));
    dossier.ecrire("plan.ann", "0:0 Fissure\nFissure au pied du mur\n2:0 Regard\nA deplacer\n");
    ASSERT_TRUE(t.ouvrir(plan));
    EXPECT_EQ(A::fichierAnnot(t), dossier.chemin() + "/plan.ann");
    EXPECT_NE(sortie.str().find("le fichier_annot : " + dossier.chemin() + "/plan.ann\n"),
              std::string::npos);
    EXPECT_EQ(titres(t), (std::vector<std::string>{"A", "a", "b"}));
    auto rangs = A::modele(t)->children();
    for (const auto& r : rangs) EXPECT_TRUE(r[A::colonnes(t).colAffichage]);
    EXPECT_EQ(titres(t, rangs[0].children()), std::vector<std::string>{"Fissure"});
    EXPECT_TRUE(rangs[1].children().empty());
    EXPECT_EQ(titres(t, rangs[2].children()), std::vector<std::string>{"Regard"});
    // Each layer's pass is looked up under its key.
    for (const char* cle : {"le rang0:*", "le rang1:*", "le rang2:*"})
        EXPECT_NE(sortie.str().find(cle), std::string::npos) << cle;

    // Activating a layer row changes no text; an annotation row shows its text.
    Gtk::TreeViewColumn* colonne = A::arbre(t).get_column(0);
    A::arbre(t).row_activated(Gtk::TreePath("1"), *colonne);
    EXPECT_TRUE(A::nouvelle(t).get_sensitive());
    EXPECT_FALSE(A::modifier(t).get_sensitive());
    EXPECT_EQ(A::texte(t).substr(0, 9), "\n--------");
    A::arbre(t).row_activated(Gtk::TreePath("2:0"), *colonne);
    EXPECT_FALSE(A::nouvelle(t).get_sensitive());
    EXPECT_TRUE(A::modifier(t).get_sensitive());
    EXPECT_TRUE(A::supprimer(t).get_sensitive());
    EXPECT_EQ(A::texte(t), "A deplacer");
    A::arbre(t).row_activated(Gtk::TreePath("0:0"), *colonne);
    EXPECT_EQ(A::texte(t), "Fissure au pied du mur");
    // The three buttons do nothing.
    for (Gtk::Button* b : {&A::nouvelle(t), &A::modifier(t), &A::supprimer(t)}) b->clicked();
    EXPECT_EQ(A::texte(t), "Fissure au pied du mur");
    EXPECT_EQ(A::modele(t)->children().size(), 3u);
}

TEST_F(FenetreTarsin, DouzeCalques) {
    std::vector<std::string> noms;
    for (char c = 'a'; c < 'a' + 12; ++c) noms.push_back(std::string("c") + c);
    const std::string plan = dossier.ecrire("douze.dxf", dessinAvecCalques(noms));
    dossier.ecrire("douze.ann", "11:0 Dernier\nTexte du dernier\n");
    ASSERT_TRUE(t.ouvrir(plan));
    EXPECT_EQ(titres(t), noms);
    Gtk::TreeIter dernier = A::modele(t)->get_iter("11");
    ASSERT_TRUE(dernier);
    EXPECT_EQ(std::string((*dernier)[A::colonnes(t).colCalque]), "cl");
    EXPECT_EQ(titres(t, dernier->children()), std::vector<std::string>{"Dernier"});
    EXPECT_NE(sortie.str().find("le rang11:*"), std::string::npos);
    A::arbre(t).row_activated(Gtk::TreePath("11:0"), *A::arbre(t).get_column(0));
    EXPECT_EQ(A::texte(t), "Texte du dernier");
}

TEST_F(FenetreTarsin, SansFichierDAnnotations) {
    const std::string plan = dossier.ecrire("seul.dxf", dessinAvecCalques({"x", "y"}));
    ASSERT_TRUE(t.ouvrir(plan));
    EXPECT_EQ(titres(t), (std::vector<std::string>{"x", "y"}));
    // Once per layer.
    EXPECT_EQ(erreurs.str(),
              "Impossible d'ouvrir le fichier d'annotations!\n"
              "Impossible d'ouvrir le fichier d'annotations!\n");
}

TEST_F(FenetreTarsin, CaseAffichageMasqueEtMontreLeCalque) {
    DXFArea& d =
        ouvrirRougeEtBleu("couleurs.dxf", dxf::calque("bleu", 5) + dxf::calque("rouge", 1));
    const int H = d.get_allocation().get_height();
    ASSERT_EQ(H, 1000);  // the size that the open asks for, larger than the pane
    // Fitted to the part of the area the pane shows.
    const Gdk::Rectangle visible = d.partieVisible();
    ASSERT_LT(visible.get_height(), 1000);
    double x = 100, yr = 800, yb = 700;
    d.getVue().matrice(H).appliquer(x, yr);
    x = 100;
    d.getVue().matrice(H).appliquer(x, yb);
    for (double y : {yr, yb}) {
        EXPECT_GT(y, visible.get_y());
        EXPECT_LT(y, visible.get_y() + visible.get_height());
    }
    EXPECT_TRUE(echantillon(true, int(x), int(yr)).rougeatre());
    EXPECT_TRUE(echantillon(false, int(x), int(yb)).bleuatre());

    auto* boite = dynamic_cast<Gtk::CellRendererToggle*>(A::arbre(t).get_column_cell_renderer(1));
    ASSERT_NE(boite, nullptr);
    cliquerCase(*boite, "1");  // "rouge", after "bleu"
    EXPECT_FALSE((*A::modele(t)->get_iter("1"))[A::colonnes(t).colAffichage]);
    EXPECT_EQ(d.getCalquesMasques(), std::list<std::string>{"rouge"});
    EXPECT_FALSE(echantillon(true, int(x), int(yr)).rougeatre());
    EXPECT_TRUE(echantillon(false, int(x), int(yb)).bleuatre());

    cliquerCase(*boite, "1");
    EXPECT_TRUE((*A::modele(t)->get_iter("1"))[A::colonnes(t).colAffichage]);
    EXPECT_TRUE(d.getCalquesMasques().empty());
    EXPECT_TRUE(echantillon(true, int(x), int(yr)).rougeatre());

    // Zoom+ about the centre of the visible part: the next step of the scale.
    const double avant = d.getEchelle();
    A::zoomP(t).clicked();
    EXPECT_DOUBLE_EQ(d.getEchelle(), pasZoom(avant, true));
    double x2 = 100, y2 = 700;
    d.getVue().matrice(H).appliquer(x2, y2);
    EXPECT_TRUE(echantillon(false, int(x2), int(y2)).bleuatre());
    t.hide();
}

TEST_F(FenetreTarsin, CalquesEteintsDansLeFichierDecochesEtMontrables) {
    // "bleu" is off in the file (a negative colour), "gele" frozen: their
    // boxes start cleared and their lines unpainted; ticking one shows it.
    DXFArea& d = ouvrirRougeEtBleu("eteints.dxf", dxf::calque("bleu", -5) +
                                                      dxf::calque("gele", 3, "CONTINUOUS", 1) +
                                                      dxf::calque("rouge", 1));
    const int H = d.get_allocation().get_height();
    const bool coches[] = {false, false, true};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ((*A::modele(t)->get_iter(std::to_string(i)))[A::colonnes(t).colAffichage],
                  coches[i])
            << i;
    EXPECT_EQ(d.getCalquesMasques(), (std::list<std::string>{"bleu", "gele"}));
    // Where the middles of the red and blue lines lie in the fitted view.
    double xr = 160, yr = 800, xb = 160, yb = 700;
    d.getVue().matrice(H).appliquer(xr, yr);
    d.getVue().matrice(H).appliquer(xb, yb);
    EXPECT_TRUE(echantillon(true, int(xr), int(yr)).rougeatre());
    EXPECT_FALSE(echantillon(false, int(xb), int(yb)).bleuatre());

    auto* boite = dynamic_cast<Gtk::CellRendererToggle*>(A::arbre(t).get_column_cell_renderer(1));
    ASSERT_NE(boite, nullptr);
    cliquerCase(*boite, "0");
    EXPECT_EQ(d.getCalquesMasques(), std::list<std::string>{"gele"});
    EXPECT_TRUE(echantillon(false, int(xb), int(yb)).bleuatre());
    t.hide();
}

TEST_F(FenetreTarsin, ZoomParPasEtPlancher) {
    DXFArea& d = A::dessin(t);
    const Glib::ustring texte = A::texte(t);
    for (int i = 0; i < 3; ++i) A::zoomP(t).clicked();
    EXPECT_EQ(d.getEchelle(), 1.75);
    // Zoom+ leaves the annotation alone, as Zoom- does.
    EXPECT_EQ(A::texte(t), texte);
    const double attendues[] = {1.5, 1.25, 1.0, 0.75, 0.5, 0.25, 0.125, 0.0625};
    for (double e : attendues) {
        A::zoomM(t).clicked();
        EXPECT_EQ(d.getEchelle(), e);
    }
    EXPECT_EQ(A::texte(t), texte);
    A::zoomP(t).clicked();
    EXPECT_EQ(d.getEchelle(), 0.125);
    t.setEchelle(-3);
    EXPECT_EQ(d.getEchelle(), 0.125);
    t.setEchelle(3);
    EXPECT_EQ(d.getEchelle(), 3.0);
}

TEST_F(FenetreTarsin, OuvertureRateeNeChangeRien) {
    const std::string plan = dossier.ecrire("bon.dxf", dessinAvecCalques({"m", "n"}));
    ASSERT_TRUE(t.ouvrir(plan));
    A::dessin(t).masquerCalque("n");
    const Dessin* avant = A::dessinOuvert(t);
    const std::string sortieAvant = sortie.str();
    erreurs.str("");

    const std::string absent = dossier.chemin() + "/absent.dxf";
    EXPECT_FALSE(t.ouvrir(absent));
    EXPECT_EQ(erreurs.str(), absent + " n'a pas pu etre ouvert.\n");
    EXPECT_EQ(A::dessinOuvert(t), avant);
    EXPECT_EQ(&A::dessin(t).getDessin(), avant);
    EXPECT_EQ(A::fichierAnnot(t), dossier.chemin() + "/bon.ann");
    EXPECT_EQ(titres(t), (std::vector<std::string>{"m", "n"}));
    EXPECT_EQ(A::dessin(t).getCalquesMasques(), std::list<std::string>{"n"});
    EXPECT_EQ(sortie.str(), sortieAvant);
    EXPECT_EQ(t.get_title(), titreTarsin("bon.dxf"));
    // The status bar says it too, for whoever has no terminal.
    EXPECT_NE(A::etat(t).find(absent + " n'a pas pu etre ouvert."), std::string::npos);

    // A file that is not a drawing at all.
    const std::string vide = dossier.ecrire("vide.dxf", "");
    t.ouvrir(vide);
    EXPECT_EQ(A::dessinOuvert(t), avant);
    EXPECT_EQ(titres(t), (std::vector<std::string>{"m", "n"}));
}

TEST_F(FenetreTarsin, SecondeOuvertureRemplaceTout) {
    const std::string premier = dossier.ecrire("premier.dxf", dessinAvecCalques({"p", "q"}));
    dossier.ecrire("premier.ann", "0:0 Note\nTexte\n");
    const std::string second = dossier.ecrire("second.dxf", dessinAvecCalques({"q", "r", "s"}));
    ASSERT_TRUE(t.ouvrir(premier));
    A::dessin(t).masquerCalque("q");
    A::zoomP(t).clicked();

    ASSERT_TRUE(t.ouvrir(second));
    EXPECT_EQ(titres(t), (std::vector<std::string>{"q", "r", "s"}));
    for (const auto& r : A::modele(t)->children()) {
        EXPECT_TRUE(r[A::colonnes(t).colAffichage]);
        EXPECT_TRUE(r.children().empty());
    }
    // Every box is ticked, so nothing stays hidden.
    EXPECT_TRUE(A::dessin(t).getCalquesMasques().empty());
    EXPECT_EQ(&A::dessin(t).getDessin(), A::dessinOuvert(t));
    EXPECT_EQ(A::dessin(t).getCalques(), (std::list<std::string>{"q", "r", "s"}));
    EXPECT_EQ(A::fichierAnnot(t), dossier.chemin() + "/second.ann");
    // The title names the drawing; the file chooser opens in its folder.
    EXPECT_EQ(t.get_title(), titreTarsin("second.dxf"));
    EXPECT_EQ(A::dossierChoix(t), dossier.chemin());
}

TEST_F(FenetreTarsin, CheminCourtGardeSonNom) {
    const std::string ici = Glib::get_current_dir();
    ASSERT_EQ(chdir(dossier.chemin().c_str()), 0);
    dossier.ecrire("ab", dessinAvecCalques({"z"}));
    const bool ouvert = t.ouvrir("ab");
    ASSERT_EQ(chdir(ici.c_str()), 0);
    ASSERT_TRUE(ouvert);
    EXPECT_EQ(A::fichierAnnot(t), "ab.ann");
}

TEST(Icone, AbsenteOuPresente) {
    Gtk::Window f;
    std::ostringstream erreurs;
    poserIcone(f, "/nulle/part/icon.gif", erreurs);
    EXPECT_FALSE(f.get_icon());
    const std::string message = erreurs.str();
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1);
    EXPECT_NE(message.find("/nulle/part/icon.gif"), std::string::npos);

    // A named pipe or a picture too large for an icon: passed over at once.
    DossierTemporaire d;
    const std::string tube = d.chemin() + "/icon.gif";
    ASSERT_EQ(mkfifo(tube.c_str(), 0600), 0);
    const std::string grande = d.chemin() + "/grande.png";
    auto surface = Cairo::ImageSurface::create(Cairo::FORMAT_RGB24, 2000, 10);
    surface->write_to_png(grande);
    for (const std::string& icone : {tube, grande}) {
        erreurs.str("");
        poserIcone(f, icone, erreurs);
        EXPECT_EQ(erreurs.str().rfind("Icone " + icone + " non chargee (", 0), 0u) << icone;
    }
    EXPECT_FALSE(f.get_icon());

    erreurs.str("");
    poserIcone(f, source("samples/icon.gif"), erreurs);
    EXPECT_EQ(erreurs.str(), "");
    ASSERT_TRUE(f.get_icon());
    EXPECT_EQ(f.get_icon()->get_width(), 32);
}

TEST_F(FenetreTarsin, DixMilleCalquesEtLeurFichierLuUneFois) {
    // Layers only: the window tests unwind every allocation in full, and the
    // import of each entity costs many (the reading of 40,000 layers is timed
    // in the core tests).
    std::vector<std::string> noms;
    std::string calques;
    for (int i = 0; i < 10000; ++i) {
        char nom[16];
        std::snprintf(nom, sizeof nom, "c%04d", i);
        noms.push_back(nom);
        calques += dxf::calque(nom);
    }
    const std::string plan = dossier.ecrire("grand.dxf", dxf::fichier(dxf::tables(calques)));
    dossier.ecrire("grand.ann", "9998:0 Avant-dernier\ntexte\n5:0 Cinq\nt\n");
    const auto debut = std::chrono::steady_clock::now();
    ASSERT_TRUE(t.ouvrir(plan));
    EXPECT_LT(std::chrono::steady_clock::now() - debut, std::chrono::seconds(60));
    auto rangs = A::modele(t)->children();
    ASSERT_EQ(rangs.size(), 10000u);
    EXPECT_EQ(std::string(rangs[9999][A::colonnes(t).colCalque]), "c9999");
    EXPECT_EQ(titres(t, rangs[5].children()), std::vector<std::string>{"Cinq"});
    EXPECT_EQ(titres(t, rangs[9998].children()), std::vector<std::string>{"Avant-dernier"});
    // "9998:" holds "8:", "98:"... : their layers have their rows too.
    EXPECT_EQ(titres(t, rangs[8].children()), std::vector<std::string>{":0 Avant-dernier"});
    EXPECT_TRUE(rangs[7].children().empty());
    // One diagnostic line per layer, as when the file was read for each.
    const std::string s = sortie.str();
    std::size_t lignes = 0;
    for (auto p = s.find("fichier d'annot :"); p != std::string::npos;
         p = s.find("fichier d'annot :", p + 1))
        ++lignes;
    EXPECT_EQ(lignes, 10000u);
}

TEST_F(FenetreTarsin, FichierDAnnotationsHostile) {
    const std::string plan = dossier.ecrire("plan.dxf", dessinAvecCalques({"a", "b"}));
    // /dev/zero as the annotation file: refused at once, as a missing file.
    std::filesystem::create_symlink("/dev/zero", dossier.chemin() + "/plan.ann");
    const auto debut = std::chrono::steady_clock::now();
    ASSERT_TRUE(t.ouvrir(plan));
    EXPECT_LT(std::chrono::steady_clock::now() - debut, std::chrono::seconds(10));
    EXPECT_EQ(titres(t), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(erreurs.str(),
              "Impossible d'ouvrir le fichier d'annotations!\n"
              "Impossible d'ouvrir le fichier d'annotations!\n");

    // A text line of 2 MB: the text view gets its first 64 KiB.
    std::filesystem::remove(dossier.chemin() + "/plan.ann");
    dossier.ecrire("plan.ann", "1:0 Long\n" + std::string(2 << 20, 'x') + "\n");
    ASSERT_TRUE(t.ouvrir(plan));
    A::arbre(t).row_activated(Gtk::TreePath("1:0"), *A::arbre(t).get_column(0));
    EXPECT_EQ(A::texte(t).size(), kLigneMaxAnnotations);
}

TEST_F(FenetreTarsin, LaCaseDUneAnnotationNeMasqueAucunCalque) {
    // An annotation titled with the name of a layer.
    const std::string plan = dossier.ecrire("plan.dxf", dessinAvecCalques({"Fissure", "murs"}));
    dossier.ecrire("plan.ann", "1:0 Fissure\ntexte\n");
    ASSERT_TRUE(t.ouvrir(plan));
    auto* boite = dynamic_cast<Gtk::CellRendererToggle*>(A::arbre(t).get_column_cell_renderer(1));
    ASSERT_NE(boite, nullptr);
    for (int i = 0; i < 2; ++i) {
        cliquerCase(*boite, "1:0");
        EXPECT_TRUE(A::dessin(t).getCalquesMasques().empty());
    }
    // The layer row's box still does.
    cliquerCase(*boite, "0");
    EXPECT_EQ(A::dessin(t).getCalquesMasques(), std::list<std::string>{"Fissure"});
}
