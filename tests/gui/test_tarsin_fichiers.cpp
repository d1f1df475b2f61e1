// The full viewer and files: the view saved as PNG, SVG or PDF, printing,
// the drawing read anew when its file changes, files dropped onto the
// window, the recent files.
#include <gtest/gtest.h>

#include <gtk/gtk.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <sstream>
#include <thread>

#include "acces.h"
#include "ecran.h"
#include "support/dxf.h"
#include "support/fichiers.h"

using A = AccesTest;

namespace {

// A red line on layer "rouge" near the origin, a blue one on layer "bleu"
// far from it; `yRouge` places the red one.
std::string dessinDeuxCalques(double yRouge = 0, const std::string& autres = "") {
    return dxf::fichier(
        dxf::tables(dxf::calque("bleu", 5) + dxf::calque("rouge", 1) + autres) +
        dxf::section("ENTITIES", dxf::ligne(0, yRouge, 100, yRouge, surCalque("rouge")) +
                                     dxf::ligne(900, 900, 1000, 900, surCalque("bleu"))));
}

// Runs the toolkit until `condition` holds, at most `secondes`.
bool attendre(const std::function<bool()>& condition, int secondes = 20) {
    const auto fin = std::chrono::steady_clock::now() + std::chrono::seconds(secondes);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > fin) return false;
        laisserTourner(50);
    }
    return true;
}

struct Encres {
    long rouges = 0, bleues = 0;
};
Encres encres(const std::string& png) {
    Encres e;
    auto image = Gdk::Pixbuf::create_from_file(png);
    for (int y = 0; y < image->get_height(); ++y)
        for (int x = 0; x < image->get_width(); ++x) {
            const Couleur c = pixel(image, x, y);
            e.rouges += c.rougeatre();
            e.bleues += c.bleuatre();
        }
    return e;
}

class FichiersTarsin : public ::testing::Test {
  protected:
    std::ostringstream sortie, erreurs;
    DossierTemporaire dossier;
    Tarsin t{sortie, erreurs};
    std::string plan;

    void SetUp() override {
        plan = dossier.ecrire("plan.dxf", dessinDeuxCalques());
        t.set_default_size(1000, 800);
        t.show();
        ASSERT_TRUE(t.ouvrir(plan));
        attendrePeinture();
    }
    void TearDown() override { t.hide(); }

    DXFArea& d() { return A::dessin(t); }
    void attendrePeinture() {
        laisserTourner(100);
        attendre([this] { return !d().peintureEnCours(); });
        laisserTourner(100);
    }
    // Writes `contenu` as the drawing's file: under another name then
    // renamed onto it, as editors save, or in place.
    void recrire(const std::string& contenu, bool renomme) {
        if (!renomme) {
            dossier.ecrire("plan.dxf", contenu);
            return;
        }
        const std::string provisoire = dossier.ecrire(".plan.dxf.tmp", contenu);
        ASSERT_EQ(std::rename(provisoire.c_str(), plan.c_str()), 0);
    }
};

}  // namespace

TEST_F(FichiersTarsin, ExporterLaVueOuToutLeDessin) {
    // Zoomed in on the blue line: the red one is out of sight.
    double x = 950, y = 900;
    d().getVue().matrice(d().get_allocation().get_height()).appliquer(x, y);
    ASSERT_TRUE(d().zoomer(8, x, y));
    attendrePeinture();
    int largeur = 0, hauteur = 0;
    d().vueVisible(largeur, hauteur);

    const struct {
        const char* nom;
        bool tout, bleuMasque;
        bool rouge, bleu;
    } cas[] = {
        {"vue.png", false, false, false, true},
        {"tout.PNG", true, false, true, true},
        {"masque.png", true, true, true, false},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.nom);
        if (c.bleuMasque) d().masquerCalque("bleu");
        const std::string chemin = dossier.chemin() + "/" + c.nom;
        ASSERT_TRUE(t.exporter(chemin, FormatImage::Png, c.tout));
        const Png png = lirePng(chemin);
        EXPECT_EQ(png.largeur, largeur);
        EXPECT_EQ(png.hauteur, hauteur);
        const Encres e = encres(chemin);
        EXPECT_EQ(e.rouges > 0, c.rouge);
        EXPECT_EQ(e.bleues > 0, c.bleu);
        EXPECT_NE(A::etat(t).find(c.nom), std::string::npos) << A::etat(t);
    }

    d().afficherCalque("bleu");
    const std::string svg = dossier.chemin() + "/vue.svg", pdf = dossier.chemin() + "/vue.pdf";
    ASSERT_TRUE(t.exporter(svg, FormatImage::Svg, false));
    ASSERT_TRUE(t.exporter(pdf, FormatImage::Pdf, false));
    const std::string texteSvg = lireFichier(svg), textePdf = lireFichier(pdf);
    EXPECT_EQ(texteSvg.rfind("<?xml", 0), 0u);
    EXPECT_NE(texteSvg.find("width=\"" + std::to_string(largeur) + "pt\""), std::string::npos);
    EXPECT_NE(texteSvg.find("<path"), std::string::npos);
    EXPECT_EQ(textePdf.rfind("%PDF", 0), 0u);
    EXPECT_GT(textePdf.size(), 500u);

    // Where nothing can be written: said, and nothing left behind.
    erreurs.str("");
    EXPECT_FALSE(t.exporter(dossier.chemin() + "/absent/vue.png", FormatImage::Png, false));
    EXPECT_NE(A::etat(t).find("Exportation ratée : impossible d'ecrire"), std::string::npos);
    EXPECT_NE(erreurs.str().find("Exportation ratée"), std::string::npos);
}

TEST_F(FichiersTarsin, ImprimerDansUnPdf) {
    const std::string pdf = dossier.chemin() + "/impression.pdf";
    ASSERT_TRUE(t.imprimer(Gtk::PRINT_OPERATION_ACTION_EXPORT, pdf));
    const std::string texte = lireFichier(pdf);
    EXPECT_EQ(texte.rfind("%PDF", 0), 0u);
    EXPECT_GT(texte.size(), 500u);
}

TEST_F(FichiersTarsin, RelectureGardeLaVueEtLesCalquesMasques) {
    auto* boite = dynamic_cast<Gtk::CellRendererToggle*>(A::arbre(t).get_column_cell_renderer(1));
    ASSERT_NE(boite, nullptr);
    cliquerCase(*boite, "0");  // "bleu"
    A::zoomM(t).clicked();
    attendrePeinture();
    const Vue vue = d().getVue();
    const int H = d().get_allocation().get_height();

    // Saved as editors do, then written in place: each time read anew, the
    // red line moved, a layer added.
    const double yRouge[] = {150, 300};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const Dessin* avant = A::dessinOuvert(t);
        recrire(dessinDeuxCalques(yRouge[i], dxf::calque("vert", 3)), i == 0);
        ASSERT_TRUE(attendre([&] { return A::dessinOuvert(t) != avant; }));
        attendrePeinture();
        EXPECT_EQ(d().getCalques(), (std::list<std::string>{"bleu", "rouge", "vert"}));
        EXPECT_EQ(d().getCalquesMasques(), std::list<std::string>{"bleu"});
        const auto rangs = A::modele(t)->children();
        ASSERT_EQ(rangs.size(), 3u);
        EXPECT_FALSE(rangs[0][A::colonnes(t).colAffichage]);
        EXPECT_TRUE(rangs[1][A::colonnes(t).colAffichage]);
        EXPECT_EQ(d().getVue().echelle, vue.echelle);
        EXPECT_EQ(d().getVue().x, vue.x);
        EXPECT_EQ(d().getVue().y, vue.y);
        EXPECT_EQ(t.get_title(), titreTarsin("plan.dxf"));
        EXPECT_NE(A::etat(t).find("plan.dxf a changé : relu."), std::string::npos) << A::etat(t);
        // The red line is drawn where it now is.
        double x = 50, y = yRouge[i];
        vue.matrice(H).appliquer(x, y);
        bool rouge = false;
        auto image = Gdk::Pixbuf::create(Glib::RefPtr<Gdk::Drawable>(d().get_window()), int(x),
                                         int(y) - 2, 1, 5);
        for (int k = 0; k < 5; ++k) rouge = rouge || pixel(image, 0, k).rougeatre();
        EXPECT_TRUE(rouge);
    }

    // Half written (no end yet), then not a drawing at all: the drawing on
    // screen stays, and the status bar says why.
    const std::string entier = dessinDeuxCalques(450);
    const std::string casses[] = {entier.substr(0, entier.size() / 2), "pas un dessin\n"};
    for (const std::string& casse : casses) {
        const Dessin* avant = A::dessinOuvert(t);
        erreurs.str("");
        recrire(casse, false);
        ASSERT_TRUE(attendre([&] { return !erreurs.str().empty(); }));
        laisserTourner(600);  // nothing more comes of it
        EXPECT_EQ(A::dessinOuvert(t), avant);
        EXPECT_EQ(&d().getDessin(), avant);
        EXPECT_EQ(d().getCalques(), (std::list<std::string>{"bleu", "rouge", "vert"}));
        EXPECT_NE(A::etat(t).find("plan.dxf a changé mais n'a pas pu être relu, le dessin "
                                  "précédent reste affiché"),
                  std::string::npos)
            << A::etat(t);
        EXPECT_NE(erreurs.str().find("n'a pas pu être relu"), std::string::npos);
    }

    // Whole again: read.
    const Dessin* avant = A::dessinOuvert(t);
    recrire(entier, true);
    EXPECT_TRUE(attendre([&] { return A::dessinOuvert(t) != avant; }));
}

TEST_F(FichiersTarsin, FichiersDeposesEtRecents) {
    const std::string second = dossier.ecrire("second.dxf", dessinDeuxCalques(500));
    const std::string uriSecond = Glib::filename_to_uri(second);
    auto deposer = [this](std::vector<std::string> uris) {
        GtkSelectionData donnees{};
        donnees.target = gdk_atom_intern_static_string("text/uri-list");
        donnees.display = gdk_display_get_default();
        std::vector<gchar*> liste;
        for (auto& u : uris) liste.push_back(u.data());
        liste.push_back(nullptr);
        ASSERT_TRUE(gtk_selection_data_set_uris(&donnees, liste.data()));
        g_signal_emit_by_name(t.gobj(), "drag-data-received", nullptr, 10, 10, &donnees, 0u, 0u);
        g_free(donnees.data);
        attendre([&] { return !t.lectureEnCours(); });
    };

    // A file from elsewhere opens nothing.
    const Dessin* avant = A::dessinOuvert(t);
    deposer({"http://exemple.org/plan.dxf"});
    EXPECT_EQ(A::dessinOuvert(t), avant);
    EXPECT_NE(A::etat(t).find("Seuls les fichiers de cet ordinateur"), std::string::npos);

    // Two files dropped: the first is opened, and the status bar says so.
    deposer({uriSecond, Glib::filename_to_uri(plan)});
    EXPECT_NE(A::dessinOuvert(t), avant);
    EXPECT_EQ(t.get_title(), titreTarsin("second.dxf"));
    EXPECT_NE(A::etat(t).find("seul second.dxf est ouvert"), std::string::npos);

    // Both are among the recent drawings that "Ouvrir" lists; one of them
    // opens from there.
    const std::vector<std::string> recents = A::recents(t);
    for (const std::string& uri : {uriSecond, std::string(Glib::filename_to_uri(plan))})
        EXPECT_NE(std::find(recents.begin(), recents.end(), uri), recents.end()) << uri;
    ASSERT_TRUE(t.ouvrirUri(Glib::filename_to_uri(plan)));
    EXPECT_EQ(t.get_title(), titreTarsin("plan.dxf"));
}

TEST(FiltreDXF, ExtensionEnMajusculesOuMinuscules) {
    Gtk::FileFilter filtre;
    filtrerExtension(filtre, ".dxf");
    const struct {
        const char* nom;
        bool garde;
    } cas[] = {{"plan.dxf", true}, {"PLAN.DXF", true},      {"Plan.Dxf", true},
               {"dxf", false},     {"plan.dxf.bak", false}, {"plan.dwg", false}};
    for (const auto& c : cas) {
        GtkFileFilterInfo info{};
        info.contains = GTK_FILE_FILTER_DISPLAY_NAME;
        info.display_name = c.nom;
        EXPECT_EQ(gtk_file_filter_filter(filtre.gobj(), &info) != FALSE, c.garde) << c.nom;
    }
}
