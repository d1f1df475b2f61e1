// The pane's tools in the real window: a click designates a line and the
// panel tells its properties; a measure snaps to its ends.
#include <gtest/gtest.h>

#include <gdk/gdkkeysyms.h>

#include <sstream>

#include "acces.h"
#include "ecran.h"
#include "support/dxf.h"
#include "support/fichiers.h"

using A = AccesTest;

namespace {

class Outils : public ::testing::Test {
  protected:
    std::ostringstream sortie, erreurs;
    DossierTemporaire dossier;
    Tarsin t{sortie, erreurs};

    void SetUp() override {
        t.set_default_size(1000, 800);
        t.show();
        const std::string entete =
            dxf::section("HEADER", dxf::paire(9, "$INSUNITS") + dxf::paire(70, 4));
        ASSERT_TRUE(t.ouvrir(dossier.ecrire(
            "mur.dxf",
            dxf::fichier(entete + dxf::tables(dxf::calque("MURS", 1)) +
                         dxf::section("ENTITIES", dxf::ligne(0, 0, 100, 0, {"MURS", 256, ""}) +
                                                      dxf::ligne(0, 50, 0, 60) +
                                                      dxf::texte(50, 55, 2, "Salle 12"))))));
        attendrePeinture(A::dessin(t));
    }
    void TearDown() override { t.hide(); }

    // A click at the drawing point (X, Y), `dx` pixels to its right; with
    // Shift, a drag to (X2, Y2).
    void cliquer(double X, double Y, double dx = 0, bool maj = false, double X2 = 0,
                 double Y2 = 0) {
        DXFArea& d = A::dessin(t);
        const Matrice m = d.getVue().matrice(d.get_allocation().get_height());
        m.appliquer(X, Y);
        m.appliquer(X2, Y2);
        for (GdkEventType genre : {GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE}) {
            GdkEvent e{};
            e.button.type = genre;
            e.button.button = 1;
            e.button.state = maj ? GDK_SHIFT_MASK : 0;
            const bool fin = maj && genre == GDK_BUTTON_RELEASE;
            e.button.x = fin ? X2 : X + dx;
            e.button.y = fin ? Y2 : Y;
            e.any.window = d.get_window()->gobj();
            e.any.send_event = TRUE;
            d.event(&e);
        }
    }
    std::string valeur(const std::string& libelle) {
        for (const auto& [a, b] : A::outils(t).getProprietes())
            if (a == libelle) return b;
        return "(absent)";
    }
};

}  // namespace

TEST_F(Outils, UnClicDesigneLaLigneEtLePanneauLaDecrit) {
    cliquer(40, 0, 2);
    EXPECT_EQ(valeur("Type"), "Ligne");
    EXPECT_EQ(valeur("Calque"), "MURS");
    EXPECT_EQ(valeur("Longueur"), "100,0000 mm");
    GdkEvent e{};
    e.key.type = GDK_KEY_PRESS;
    e.key.keyval = GDK_Escape;
    e.any.window = t.get_window()->gobj();
    t.event(&e);
    EXPECT_TRUE(A::outils(t).getProprietes().empty());
}

TEST_F(Outils, MesurerUneDistanceAccrocheeAuxExtremites) {
    A::mesurer(t).set_active(true);
    cliquer(0, 0, 3);
    cliquer(100, 0, -3);
    EXPECT_EQ(A::outils(t).getMesure(),
              "Distance : 100,0000 mm   Angle : 0,0000°   ΔX : 100,0000 mm   ΔY : 0,0000 mm");
    EXPECT_NE(A::etat(t).find("Distance : 100,0000 mm"), std::string::npos);
}

TEST_F(Outils, RechercherZoomeSurLeTexteEtLeSelectionne) {
    const double avant = A::dessin(t).getEchelle();
    A::chercher(t, "SALLE");
    EXPECT_EQ(valeur("Texte"), "Salle 12");
    EXPECT_GT(A::dessin(t).getEchelle(), 2 * avant);
}

TEST_F(Outils, ZoomFenetreEtVuePrecedente) {
    const Vue avant = A::dessin(t).getVue();
    cliquer(10, -10, 0, true, 30, 10);
    EXPECT_GT(A::dessin(t).getEchelle(), 4 * avant.echelle);
    ASSERT_TRUE(A::dessin(t).vuePrecedente());
    EXPECT_EQ(A::dessin(t).getEchelle(), avant.echelle);
    EXPECT_FALSE(A::dessin(t).vuePrecedente());
}

TEST_F(Outils, ChaqueToucheDansLaBulleDeSonBouton) {
    auto* ouvrir = A::ui(t)->get_widget("/ToolBar/Open");
    ASSERT_NE(ouvrir, nullptr);
    EXPECT_EQ(ouvrir->get_tooltip_text(), "Ouvrir un fichier .dxf (Ctrl+O)");
    EXPECT_EQ(A::actions(t)->get_action("Open")->property_tooltip().get_value(),
              "Ouvrir un fichier .dxf");
}
