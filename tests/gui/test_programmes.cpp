// Both viewers driven from outside, as a user does: started with xdotool at
// hand on the tests' X server, looked at through screenshots, quit from their
// toolbar.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "acces.h"
#include "ecran.h"
#include "support/dxf.h"
#include "support/fichiers.h"

namespace {

// Where the toolbar's items are in a window at the screen's top-left corner
// (no window manager moves it): the first item is "Ouvrir", the second
// tarsin-plan's quit item.
const char* const kClicOuvrir = "mousemove 25 30 click 1";
const char* const kClicQuitterPlan = "mousemove 88 30 click 1";

// Where tarsin's quit item is: measured on a window built here, with the
// same toolkit, theme and fonts.
std::string clicQuitterTarsin() {
    static const std::string clic = [] {
        std::ostringstream sortie, erreurs;
        Tarsin t(sortie, erreurs);
        t.show();
        laisserTourner(300);
        int x = 0, y = 0;
        if (Gtk::Widget* q = AccesTest::ui(t)->get_widget("/ToolBar/Quit"))
            q->translate_coordinates(t, q->get_allocation().get_width() / 2,
                                     q->get_allocation().get_height() / 2, x, y);
        t.hide();
        laisserTourner(100);
        return "mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1";
    }();
    return clic;
}

void xdotool(const std::string& arguments) { commande("xdotool " + arguments); }

// Waits until the file `chemin` holds `texte`, at most `secondes`.
bool attendreTexte(const std::string& chemin, const std::string& texte, int secondes = 30) {
    for (int i = 0; i < secondes * 10; ++i) {
        if (lireFichier(chemin).find(texte) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

std::size_t compter(const std::string& texte, const std::string& motif) {
    std::size_t n = 0;
    for (auto p = texte.find(motif); p != std::string::npos; p = texte.find(motif, p + 1)) ++n;
    return n;
}

// Lines in red (colour 1) and blue (colour 5) of the screenshot checks.
std::string dessinRepere() {
    return dxf::entites(dxf::ligne(0, 50, 200, 50, surCalque("rouge", 1)) +
                        dxf::ligne(0, 100, 200, 100, surCalque("rouge", 1)) +
                        dxf::ligne(100, 0, 100, 300, surCalque("bleu", 5)));
}

// A run of rows (or columns) of a screenshot holding a stroke.
struct Bande {
    int debut = -1, fin = -1;  // first and last index, inclusive
    double centre() const { return (debut + fin + 1) / 2.0; }
};
// The runs of rows of [x0, x1) that hold more than `seuil` pixels of the kind.
std::vector<Bande> rangees(const Glib::RefPtr<Gdk::Pixbuf>& image, bool rouge, int x0, int x1,
                           int seuil) {
    std::vector<Bande> bandes;
    for (int y = 0; y < image->get_height(); ++y) {
        int n = 0;
        for (int x = x0; x < x1; ++x) {
            Couleur c = pixel(image, x, y);
            n += rouge ? c.rougeatre() : c.bleuatre();
        }
        if (n <= seuil) continue;
        if (!bandes.empty() && bandes.back().fin == y - 1)
            bandes.back().fin = y;
        else
            bandes.push_back({y, y});
    }
    return bandes;
}

// tarsin asks for a drawing area of 1000 x 1000 pixels: a red line near its
// top, at y = 900, is on screen at scale 1 whatever the size of the window.
std::string dessinHaut() {
    return dxf::entites(dxf::ligne(0, 900, 400, 900, surCalque("rouge", 1)) +
                        dxf::ligne(100, 0, 100, 1000, surCalque("bleu", 5)));
}

// Screenshots until one shows `bandes` runs of red rows in [x0, x1) (the
// program may still be painting), at most `secondes`; the last one taken.
Glib::RefPtr<Gdk::Pixbuf> captureAvecRouge(std::size_t bandes, int x0, int x1, int secondes = 20) {
    // The first picture shows its parts as they are painted: the screen is
    // taken once it shows the red bands and its red and blue rows stand still.
    Glib::RefPtr<Gdk::Pixbuf> ecran;
    std::vector<int> avant;
    for (int i = 0; i < secondes * 2; ++i) {
        ecran = captureEcran();
        std::vector<int> lignes;
        for (const auto& [rouge, seuil] : {std::pair{true, 300}, std::pair{false, 0}})
            for (const Bande& b : rangees(ecran, rouge, x0, x1, seuil))
                lignes.insert(lignes.end(), {b.debut, b.fin});
        if (rangees(ecran, true, x0, x1, 300).size() == bandes && lignes == avant) break;
        avant = std::move(lignes);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    return ecran;
}

class Programmes : public ::testing::Test {
  protected:
    // Measured before any program's window is on the screen.
    void SetUp() override { clicQuitterTarsin(); }
    DossierTemporaire dossier;
    void copierIcone() {
        std::filesystem::copy_file(source("samples/icon.gif"), dossier.chemin() + "/icon.gif");
    }
    std::string journal() const { return dossier.chemin() + "/tarsin.log"; }
};

}  // namespace

TEST_F(Programmes, TarsinOuvreLeDessinDeSaLigneDeCommande) {
    copierIcone();
    const std::string plan = dossier.ecrire("site.dxf", dessinHaut());
    dossier.ecrire("site.ann", "0:0 Note\nTexte de la note\n");
    dossier.ecrire("tarsin.log", "CONTENU D'UNE SESSION PRECEDENTE\n");

    Lancement tarsin({programme("tarsin"), plan}, dossier.chemin());
    const std::string fenetre = attendreFenetre(titreTarsin("site.dxf"));
    ASSERT_FALSE(fenetre.empty());
    ASSERT_TRUE(attendreTexte(journal(), "fin du bloc : __root__"));
    // Emptied at start.
    EXPECT_EQ(lireFichier(journal()).find("SESSION PRECEDENTE"), std::string::npos);
    // The drawing shows in the drawing pane, right of the 300 pixels column.
    EXPECT_EQ(rangees(captureAvecRouge(1, 300, 1600), true, 300, 1600, 300).size(), 1u);

    xdotool(clicQuitterTarsin());
    Execution fin = tarsin.attendre(60);
    EXPECT_EQ(fin.statut, 0) << fin.erreurs;
    // Standard output went to the log, complete once the program ended.
    EXPECT_EQ(fin.sortie, "");
    const std::string log = lireFichier(journal());
    EXPECT_NE(log.find("LINE:\t\t(0, 900) (400, 900)"), std::string::npos);
    EXPECT_NE(log.find("le fichier_annot : " + dossier.chemin() + "/site.ann\n"),
              std::string::npos);
    EXPECT_NE(log.find("fichier d'annot :" + dossier.chemin() + "/site.ann\n"), std::string::npos);
    EXPECT_NE(log.find("bloc : __root__"), std::string::npos);
    EXPECT_NE(log.find("\n\tligne\n"), std::string::npos);
    EXPECT_EQ(log.back(), '\n');
    EXPECT_EQ(fin.erreurs.find("Impossible"), std::string::npos) << fin.erreurs;
    EXPECT_EQ(fin.erreurs.find("icon"), std::string::npos) << fin.erreurs;
}

TEST_F(Programmes, TarsinSansIconeNiJournalPossible) {
    const std::string plan = dossier.ecrire("site.dxf", dessinRepere());
    ASSERT_EQ(mkdir(journal().c_str(), 0755), 0);  // "tarsin.log" cannot be a file

    // The toolkit takes its own options out before the drawing is looked for.
    Lancement tarsin({programme("tarsin"), "--sync", plan}, dossier.chemin());
    ASSERT_FALSE(attendreFenetre(titreTarsin("site.dxf")).empty());
    std::this_thread::sleep_for(std::chrono::seconds(2));
    xdotool(clicQuitterTarsin());
    Execution fin = tarsin.attendre(60);
    EXPECT_EQ(fin.statut, 0) << fin.erreurs;
    // Standard output stays on the terminal, and says so on standard error.
    EXPECT_NE(fin.erreurs.find("tarsin.log"), std::string::npos) << fin.erreurs;
    EXPECT_NE(fin.sortie.find("le fichier_annot : " + dossier.chemin() + "/site.ann\n"),
              std::string::npos);
    EXPECT_NE(fin.sortie.find("bloc : __root__"), std::string::npos);
    // Run from the build folder, it finds the source tree's icon. The
    // annotation file is missing for each layer.
    EXPECT_EQ(fin.erreurs.find("Icone"), std::string::npos) << fin.erreurs;
    EXPECT_EQ(compter(fin.erreurs, "Impossible d'ouvrir le fichier d'annotations!\n"), 2u);
    EXPECT_EQ(fin.sortie.find("Impossible"), std::string::npos);
}

// Installed elsewhere and started from a folder without an icon, with two
// drawings: the icon comes from the installation, the first drawing opens.
TEST_F(Programmes, TarsinInstalleTrouveSonIcone) {
    const std::string prefixe = dossier.chemin() + "/prefixe";
    const Execution installation = installer(prefixe);
    ASSERT_EQ(installation.statut, 0) << installation.erreurs;
    const std::string premier = dossier.ecrire("premier.dxf", dessinHaut());
    const std::string second = dossier.ecrire("second.dxf", dessinRepere());

    Lancement tarsin({prefixe + "/bin/tarsin", premier, second}, dossier.chemin());
    ASSERT_FALSE(attendreFenetre(titreTarsin("premier.dxf")).empty());
    ASSERT_TRUE(
        attendreTexte(journal(), "le fichier_annot : " + dossier.chemin() + "/premier.ann"));
    xdotool(clicQuitterTarsin());
    Execution fin = tarsin.attendre(60);
    EXPECT_EQ(fin.statut, 0) << fin.erreurs;
    EXPECT_EQ(fin.erreurs.find("Icone"), std::string::npos) << fin.erreurs;
    EXPECT_NE(fin.erreurs.find("tarsin : plusieurs dessins donnes, seul le premier est ouvert : " +
                               premier),
              std::string::npos)
        << fin.erreurs;
    EXPECT_EQ(lireFichier(journal()).find("second"), std::string::npos);
}

TEST_F(Programmes, TarsinOuvreParLeDialogue) {
    copierIcone();
    const std::string plan = dossier.ecrire("choisi.dxf", dessinHaut());
    // The file chooser starts in the program's folder, not among the recent
    // files (where a typed path is taken apart at each '/').
    std::filesystem::create_directories(dossier.chemin() + "/config/gtk-2.0");
    dossier.ecrire("config/gtk-2.0/gtkfilechooser.ini",
                   "[Filechooser Settings]\nStartupMode=cwd\n");
    Lancement tarsin({programme("tarsin")}, dossier.chemin(),
                     {"XDG_CONFIG_HOME=" + dossier.chemin() + "/config"});
    const std::string fenetre = attendreFenetre("Tarsin");
    ASSERT_FALSE(fenetre.empty());
    ASSERT_TRUE(attendreTexte(journal(), "fin du bloc : __root__"));
    xdotool("windowsize " + fenetre + " 1200 900");
    std::this_thread::sleep_for(std::chrono::seconds(1));
    // Nothing is drawn before a drawing is opened.
    EXPECT_TRUE(rangees(captureEcran(), true, 300, 1200, 100).empty());

    xdotool(kClicOuvrir);
    const std::string dialogue = attendreFenetre("Choisissez un fichier dxf");
    ASSERT_FALSE(dialogue.empty());
    std::this_thread::sleep_for(std::chrono::seconds(1));
    xdotool("windowfocus --sync " + dialogue);
    xdotool("key --clearmodifiers ctrl+l");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    xdotool("type --delay 20 '" + plan + "'");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    xdotool("key Return");
    ASSERT_TRUE(attendreTexte(journal(), "le fichier_annot : " + dossier.chemin() + "/choisi.ann"));
    // The drawing is fitted to the part of the area the pane shows: the line
    // y = 900 a tenth of the way down from the line y = 1000, near the
    // pane's top; the blue line from y = 0 to 1000 spans the pane's height.
    auto ecran = captureAvecRouge(1, 300, 1200);
    auto rouges = rangees(ecran, true, 300, 1200, 300);
    auto bleues = rangees(ecran, false, 300, 1200, 0);
    ASSERT_EQ(rouges.size(), 1u);
    ASSERT_EQ(bleues.size(), 1u);
    const double hauteur = bleues[0].fin - bleues[0].debut;
    EXPECT_GT(hauteur, 700);
    EXPECT_NEAR(rouges[0].centre(), bleues[0].debut + hauteur / 10, 3);

    xdotool(clicQuitterTarsin());
    Execution fin = tarsin.attendre(60);
    EXPECT_EQ(fin.statut, 0) << fin.erreurs;
    EXPECT_NE(lireFichier(journal()).find("LINE:\t\t(100, 0) (100, 1000)"), std::string::npos);
}

// A new user's first look, on a screen smaller than the window's default size
// under a window manager: the frame's four sides in the pane, and nothing on
// standard error for a fresh HOME.
TEST_F(Programmes, PremierRegardSurUnPetitEcran) {
    auto cadreEntier = [](auto e) {  // two runs of red rows, and two of red columns
        auto colonnes = e->rotate_simple(Gdk::PIXBUF_ROTATE_CLOCKWISE);
        return rangees(e, true, 300, 1600, 300).size() == 2 &&
               rangees(colonnes, true, 0, 1200, 300).size() == 2;
    };
    const std::string cadre = dossier.ecrire(
        "c.dxf", dxf::entites(dxf::lwpolyline("0,0;4,0;4,3;0,3", 1, surCalque("0", 1))));
    dossier.ecrire("c.ann", "");
    Lancement tarsin({programme("tarsin"), cadre}, dossier.chemin(),
                     {"HOME=" + dossier.chemin(), "XDG_DATA_HOME"});
    EXPECT_FALSE(attendreFenetre(titreTarsin("c.dxf")).empty());
    // Started now, it gives the window its size after the drawing's first picture.
    Lancement gestionnaire({"/usr/bin/matchbox-window-manager", "-use_titlebar", "no"});
    EXPECT_TRUE(cadreEntier(captureAvecRouge(2, 300, 1600)));
    xdotool(clicQuitterTarsin());
    EXPECT_EQ(tarsin.attendre(60).erreurs, "");
    // Opened as a drop opens it, into a window that has its size.
    std::ostringstream sortie, erreurs;
    Tarsin t(sortie, erreurs);
    t.show();
    laisserTourner(1000);
    ASSERT_TRUE(t.ouvrirUri(Glib::filename_to_uri(cadre)));
    attendrePeinture(AccesTest::dessin(t));
    EXPECT_TRUE(cadreEntier(captureEcran()));
}

TEST_F(Programmes, PlanSansArgumentNiEchelleValable) {
    Execution sans = executer({programme("tarsin-plan")}, dossier.chemin());
    EXPECT_EQ(sans.statut, 0);
    EXPECT_EQ(sans.sortie, "\nUsage: test <DXF file>\n\n");
    EXPECT_EQ(sans.erreurs, "");

    const std::string plan = dossier.ecrire("p.dxf", dessinRepere());
    for (const char* echelle : {"abc", "0", "-2", "2x", "1e-9"}) {
        Execution e = executer({programme("tarsin-plan"), plan, echelle}, dossier.chemin());
        EXPECT_NE(e.statut, 0) << echelle;
        EXPECT_NE(e.erreurs.find(std::string("Echelle invalide : ") + echelle), std::string::npos)
            << e.erreurs;
        EXPECT_EQ(e.sortie, "") << echelle;
    }
}

TEST_F(Programmes, PlanMontreSonDessinALEchelleDonnee) {
    copierIcone();
    const std::string plan = dossier.ecrire("p.dxf", dessinRepere());
    dossier.ecrire("annotations.ann", "0:0|Titre\nTexte\n");
    Lancement planif({programme("tarsin-plan"), plan, "2"}, dossier.chemin());
    const std::string fenetre = attendreFenetre("Plan");
    ASSERT_FALSE(fenetre.empty());
    xdotool("windowsize " + fenetre + " 1200 900");
    auto ecran = captureAvecRouge(2, 300, 1200);

    // The blue line (100, 0)-(100, 300) runs up from the bottom of the area:
    // its lowest pixel is the area's last row, its column is x = 2 * 100.
    auto colonnesBleues = rangees(ecran, false, 300, 1200, 0);
    ASSERT_EQ(colonnesBleues.size(), 1u);
    const int bas = colonnesBleues[0].fin + 1;  // the area's bottom edge
    EXPECT_NEAR(colonnesBleues[0].debut, bas - 600, 1);
    // The red lines y = 50 and y = 100, from x = 0 to 200, at scale 2.
    auto rouges = rangees(ecran, true, 300, 1200, 300);
    ASSERT_EQ(rouges.size(), 2u);
    EXPECT_DOUBLE_EQ(rouges[0].centre(), bas - 200);
    EXPECT_DOUBLE_EQ(rouges[1].centre(), bas - 100);
    // Their left end is the area's left edge, past the 300 pixels column.
    const int y = rouges[1].debut;
    int gauche = 300;
    while (gauche < 1200 && !pixel(ecran, gauche, y).rougeatre()) ++gauche;
    int droite = 1200;  // past the last red pixel
    while (droite > gauche && !pixel(ecran, droite - 1, y).rougeatre()) --droite;
    EXPECT_LT(gauche, 320);
    EXPECT_NEAR(droite - gauche, 400, 1);
    // The blue line stands at x = 200 from that edge (it covers the two
    // columns on either side of it).
    int bleu = gauche;
    while (bleu < 1200 && !pixel(ecran, bleu, bas - 300).bleuatre()) ++bleu;
    EXPECT_NEAR(bleu + 1, gauche + 200, 1);

    xdotool(kClicQuitterPlan);
    Execution fin = planif.attendre(60);
    EXPECT_EQ(fin.statut, 0) << fin.erreurs;
    EXPECT_NE(fin.sortie.find("Reading file " + plan + "...\n"), std::string::npos);
    EXPECT_NE(fin.sortie.find("bloc : __root__"), std::string::npos);
    EXPECT_NE(fin.sortie.find("\n\tligne\n"), std::string::npos);
    // The demonstration rows' reader echoes the lines it reads.
    EXPECT_NE(fin.sortie.find("0:0|Titre\n"), std::string::npos);
    EXPECT_EQ(fin.erreurs.find("icon"), std::string::npos) << fin.erreurs;
}

namespace {

// Starts `arguments` in `dossier`, waits for the window `titre`, quits it
// from its toolbar (`clicQuitter`) and returns how the program ended.
Execution lancerEtQuitter(const std::vector<std::string>& arguments, const std::string& dossier,
                          const std::string& titre, const std::string& clicQuitter,
                          const std::vector<std::string>& environnement = {}) {
    Lancement programme(arguments, dossier, environnement);
    const std::string fenetre = attendreFenetre(titre);
    EXPECT_FALSE(fenetre.empty()) << "the window " << titre << " did not appear";
    std::this_thread::sleep_for(std::chrono::seconds(1));
    xdotool(clicQuitter);
    return programme.attendre(60);
}

}  // namespace

TEST_F(Programmes, TarsinDansUnDossierHostile) {
    // Named pipes where the icon and the annotation file are looked for,
    // and a log that must not be written where it is named.
    enum Journal { Tube, Lien, DossierFerme };
    for (Journal cas : {Tube, Lien, DossierFerme}) {
        SCOPED_TRACE(cas);
        DossierTemporaire ici, etat;
        const std::string plan = ici.ecrire("site.dxf", dessinRepere());
        for (const char* tube : {"/icon.gif", "/site.ann"})
            ASSERT_EQ(mkfifo((ici.chemin() + tube).c_str(), 0666), 0);
        const std::string journal = ici.chemin() + "/tarsin.log";
        const std::string cible = etat.ecrire("cible.txt", "a garder\n");
        std::vector<std::string> arguments{programme("tarsin"), plan};
        if (cas == Tube) {
            ASSERT_EQ(mkfifo(journal.c_str(), 0666), 0);
        }
        if (cas == Lien) std::filesystem::create_symlink(cible, journal);
        if (cas == DossierFerme) {
            // Started as from a menu, in a folder it may not write; root
            // may write anywhere, so it runs as nobody.
            ASSERT_EQ(chmod(ici.chemin().c_str(), 0555), 0);
            ASSERT_EQ(chmod(etat.chemin().c_str(), 0777), 0);
            if (geteuid() == 0)
                arguments.insert(arguments.begin(), {"/usr/bin/setpriv", "--reuid=65534",
                                                     "--regid=65534", "--clear-groups"});
        }
        const Execution fin =
            lancerEtQuitter(arguments, ici.chemin(), titreTarsin("site.dxf"), clicQuitterTarsin(),
                            {"XDG_STATE_HOME=" + etat.chemin()});
        chmod(ici.chemin().c_str(), 0755);
        // Had a pipe been opened, the window would never have come.
        EXPECT_EQ(fin.statut, 0) << fin.erreurs;
        EXPECT_EQ(compter(fin.erreurs, "Impossible d'ouvrir le fichier d'annotations!\n"), 2u);
        const std::string trace = "le fichier_annot : " + ici.chemin() + "/site.ann\n";
        if (cas == DossierFerme) {
            const std::string ailleurs = etat.chemin() + "/tarsin/tarsin.log";
            EXPECT_EQ(compter(fin.erreurs, "le journal est ecrit dans " + ailleurs), 1u)
                << fin.erreurs;
            EXPECT_NE(lireFichier(ailleurs).find(trace), std::string::npos);
            struct stat st;
            ASSERT_EQ(stat((etat.chemin() + "/tarsin").c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 0777, 0700u);
            EXPECT_EQ(fin.sortie, "");
        } else {
            // Standard output stays where it was, and says why.
            EXPECT_NE(fin.erreurs.find(cas == Lien ? "tarsin.log est un lien symbolique"
                                                   : "tarsin.log n'a pas pu etre cree"),
                      std::string::npos)
                << fin.erreurs;
            EXPECT_NE(fin.sortie.find(trace), std::string::npos);
        }
        EXPECT_EQ(lireFichier(cible), "a garder\n");
    }
}

TEST_F(Programmes, PlanDansUnDossierHostile) {
    const std::string plan = dossier.ecrire("p.dxf", dessinRepere());
    for (const char* tube : {"/icon.gif", "/annotations.ann"})
        ASSERT_EQ(mkfifo((dossier.chemin() + tube).c_str(), 0600), 0);
    const Execution fin = lancerEtQuitter({programme("tarsin-plan"), plan}, dossier.chemin(),
                                          "Plan", kClicQuitterPlan);
    EXPECT_EQ(fin.statut, 0) << fin.erreurs;
    // The tree's three demonstration rows each look for their annotations.
    EXPECT_EQ(compter(fin.erreurs, "Impossible d'ouvrir le fichier d'annotations!\n"), 3u);
}
