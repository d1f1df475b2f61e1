// Files read on the reading thread: a drawing opened and its file read
// anew while a picture paints; a close request during a long reading. A
// picture exported on the export thread, stopped by Escape or by a close
// request.
#include <gtest/gtest.h>

#include <gtkmm/main.h>

#include <filesystem>
#include <memory>
#include <sstream>

#include "acces.h"
#include "ecran.h"
#include "support/dxf.h"
#include "support/fichiers.h"

using A = AccesTest;

namespace {

// `n` dashed lines across the drawing: long to read and to paint.
std::string lignes(int n, int couleur) {
    std::string e;
    const dxf::Attr tirets{"0", couleur, "TIRETS"};
    for (int i = 0; i < n; ++i) e += dxf::ligne(0, i / 12.0, 1000, 1000 - i / 12.0, tirets);
    return dxf::entites(e);
}

// Turns the main loop until `fait`, a minute at most.
bool jusqua(const std::function<bool()>& fait) {
    for (int i = 0; i < 600 && !fait(); ++i) laisserTourner(100);
    return fait();
}

}  // namespace

TEST(LectureTarsin, OuvertureEtRelecturePendantUnePeinture) {
    DossierTemporaire dossier;
    std::ostringstream sortie, erreurs;
    Tarsin t(sortie, erreurs);
    t.set_default_size(1000, 800);
    t.show();
    ASSERT_TRUE(t.ouvrir(dossier.ecrire("a.dxf", lignes(12000, 1))));
    DXFArea& d = A::dessin(t);
    const std::string b = dossier.ecrire("b.dxf", lignes(3000, 5));
    // Opened while the first picture paints, then read anew while the
    // second paints: each reading replaces the drawing once read whole.
    ASSERT_TRUE(jusqua([&] { return d.peintureEnCours(); }));
    t.lancerOuverture(b);
    EXPECT_TRUE(t.lectureEnCours());
    ASSERT_TRUE(jusqua([&] { return !t.lectureEnCours(); }));
    EXPECT_EQ(t.get_title(), titreTarsin("b.dxf"));
    const Dessin* avant = A::dessinOuvert(t);
    ASSERT_TRUE(jusqua([&] { return d.peintureEnCours(); }));
    t.lancerRechargement();
    ASSERT_TRUE(jusqua([&] { return !t.lectureEnCours() && A::dessinOuvert(t) != avant; }));
    attendrePeinture(d);
    // Each reading's import trace whole, between the lines said of the
    // drawing before: a's 12,000 lines, then b's 3,000, then b's again.
    const std::string s = sortie.str();
    const std::size_t a = s.find("le fichier_annot : " + dossier.chemin() + "/a.ann");
    const std::size_t b1 = s.find("le fichier_annot : " + dossier.chemin() + "/b.ann");
    ASSERT_LT(a, b1);
    ASSERT_NE(b1, std::string::npos);
    const auto compter = [&s](std::size_t debut, std::size_t fin) {
        std::size_t n = 0;
        for (std::size_t i = s.find("LINE:\t", debut); i < fin; i = s.find("LINE:\t", i + 1)) ++n;
        return n;
    };
    EXPECT_EQ(compter(0, a), 12000u);
    EXPECT_EQ(compter(a, b1), 3000u);
    EXPECT_EQ(compter(b1, s.size()), 3000u);
}

TEST(LectureTarsin, UneFermeturePendantUneLongueLectureFinitVite) {
    DossierTemporaire dossier;
    const std::string gros = dossier.ecrire("gros.dxf", lignes(300000, 3));
    std::ostringstream sortie, erreurs;
    auto t = std::make_unique<Tarsin>(sortie, erreurs);
    t->show();
    t->lancerOuverture(gros);
    ASSERT_TRUE(
        jusqua([&] { return A::etat(*t).find("Lecture de gros.dxf") != std::string::npos; }));
    // Closed: the reading stops, the window is destroyed without waiting
    // for the file's end (the test's own time bound tells if it does).
    t->hide();
    EXPECT_TRUE(jusqua([&] { return !t->lectureEnCours(); }));
    EXPECT_EQ(A::dessinOuvert(*t), nullptr);
    t.reset();
}

TEST(LectureTarsin, UneExportationSeSuitEtSArreteSansLaisserDeFichier) {
    DossierTemporaire dossier;
    std::ostringstream sortie, erreurs;
    auto t = std::make_unique<Tarsin>(sortie, erreurs);
    t->set_default_size(1000, 800);
    t->show();
    ASSERT_TRUE(t->ouvrir(dossier.ecrire("a.dxf", lignes(30000, 1))));
    const std::string sorties = dossier.chemin() + "/sorties";
    std::filesystem::create_directory(sorties);
    for (bool fermeture : {false, true}) {
        ASSERT_TRUE(t->lancerExportation(sorties + "/a.pdf", FormatImage::Pdf, true));
        ASSERT_TRUE(jusqua(
            [&] { return A::etat(*t).find("Exportation de a.pdf : ") != std::string::npos; }));
        // One at a time.
        EXPECT_FALSE(t->lancerExportation(sorties + "/b.pdf", FormatImage::Pdf, true));
        EXPECT_NE(A::etat(*t).find("Une exportation est déjà en cours"), std::string::npos);
        if (fermeture) {
            t->hide();
        } else {
            GdkEventKey echap{};
            echap.type = GDK_KEY_PRESS;
            echap.window = t->get_window()->gobj();
            echap.keyval = GDK_KEY_Escape;
            t->event(reinterpret_cast<GdkEvent*>(&echap));
            EXPECT_NE(A::etat(*t).find("Exportation annulée."), std::string::npos);
        }
        ASSERT_TRUE(jusqua([&] { return !t->exportationEnCours(); }));
        EXPECT_TRUE(std::filesystem::is_empty(sorties)) << fermeture;
    }
    t.reset();
}
