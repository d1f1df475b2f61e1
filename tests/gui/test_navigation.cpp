// Finding one's way in a drawing: a drawing far from the origin shows
// fitted, the wheel zooms about the pointer, a drag moves the drawing by the
// drag, "Ajuster" brings it back, the status bar tells where the pointer is.
#include <gtest/gtest.h>

#include <gdk/gdk.h>
#include <gtkmm/main.h>

#include <memory>
#include <sstream>

#include "acces.h"
#include "ecran.h"
#include "support/dxf.h"
#include "support/fichiers.h"

using A = AccesTest;

namespace {

// A red square of 100 units and a blue cross at national-grid coordinates.
constexpr double kX = 2600000, kY = 1200000;

std::string dessinLointain() {
    const dxf::Attr rouge{"0", 1, ""}, bleu{"0", 5, ""};
    return dxf::entites(dxf::lwpolyline(dxf::nombre(kX) + "," + dxf::nombre(kY) + ";" +
                                            dxf::nombre(kX + 100) + "," + dxf::nombre(kY) + ";" +
                                            dxf::nombre(kX + 100) + "," + dxf::nombre(kY + 100) +
                                            ";" + dxf::nombre(kX) + "," + dxf::nombre(kY + 100),
                                        1, rouge) +
                        dxf::ligne(kX + 40, kY + 50, kX + 60, kY + 50, bleu) +
                        dxf::ligne(kX + 50, kY + 40, kX + 50, kY + 60, bleu));
}

class Navigation : public ::testing::Test {
  protected:
    std::ostringstream sortie, erreurs;
    DossierTemporaire dossier;
    Tarsin t{sortie, erreurs};

    void SetUp() override {
        t.set_default_size(1000, 800);
        t.show();
        ASSERT_TRUE(t.ouvrir(dossier.ecrire("loin.dxf", dessinLointain())));
        attendrePeinture();
    }
    void TearDown() override { t.hide(); }

    DXFArea& d() { return A::dessin(t); }
    void attendrePeinture() { ::attendrePeinture(d()); }
    // Where the drawing point (X, Y) is in the area.
    std::pair<double, double> ecran(double X, double Y) {
        d().getVue().matrice(d().get_allocation().get_height()).appliquer(X, Y);
        return {X, Y};
    }
    // The colour of the area's pixel at (x, y).
    Couleur couleur(double x, double y) {
        auto image = Gdk::Pixbuf::create(Glib::RefPtr<Gdk::Drawable>(d().get_window()),
                                         static_cast<int>(x), static_cast<int>(y), 1, 1);
        return pixel(image, 0, 0);
    }
    // The square's lower-left corner: red within a pixel of it.
    bool coinRouge(double x, double y) {
        for (int dx : {-1, 0, 1})
            for (int dy : {-1, 0, 1})
                if (couleur(x + dx, y + dy).rougeatre()) return true;
        return false;
    }
    void envoyer(GdkEvent& e) {
        e.any.window = d().get_window()->gobj();
        e.any.send_event = TRUE;
        d().event(&e);
        attendrePeinture();
    }
};

}  // namespace

TEST_F(Navigation, DessinLointainVisibleEtCroixAuCentre) {
    const Gdk::Rectangle v = d().partieVisible();
    auto [cx, cy] = ecran(kX + 50, kY + 50);
    // Fitted to the visible part: the cross near its centre, drawn.
    EXPECT_NEAR(cx, v.get_x() + v.get_width() / 2.0, 1);
    EXPECT_NEAR(cy, v.get_y() + v.get_height() / 2.0, 1);
    EXPECT_TRUE(couleur(cx, cy).bleuatre());
    auto [x0, y0] = ecran(kX, kY);
    EXPECT_TRUE(coinRouge(x0, y0));
    EXPECT_GT(d().getEchelle(), 5);
}

TEST_F(Navigation, MoletteAutourDuPointeurGlisserEtAjuster) {
    const Vue ajustee = d().getVue();
    auto [x0, y0] = ecran(kX, kY);
    GdkEvent molette{};
    molette.scroll.type = GDK_SCROLL;
    molette.scroll.direction = GDK_SCROLL_UP;
    molette.scroll.x = x0;
    molette.scroll.y = y0;
    envoyer(molette);
    EXPECT_DOUBLE_EQ(d().getEchelle(), ajustee.echelle * 1.25);
    // The corner stays under the pointer; the opposite one moved away.
    auto [x1, y1] = ecran(kX, kY);
    EXPECT_NEAR(x1, x0, 1e-6);
    EXPECT_NEAR(y1, y0, 1e-6);
    EXPECT_TRUE(coinRouge(x1, y1));

    // A drag of (40, -25) pixels moves the drawing by as much.
    GdkEvent appui{}, mouvement{}, relache{};
    appui.button.type = GDK_BUTTON_PRESS;
    appui.button.button = 1;
    appui.button.x = 300;
    appui.button.y = 300;
    envoyer(appui);
    mouvement.motion.type = GDK_MOTION_NOTIFY;
    mouvement.motion.x = 340;
    mouvement.motion.y = 275;
    envoyer(mouvement);
    relache.button.type = GDK_BUTTON_RELEASE;
    relache.button.button = 1;
    relache.button.x = 340;
    relache.button.y = 275;
    envoyer(relache);
    auto [x2, y2] = ecran(kX, kY);
    EXPECT_NEAR(x2, x1 + 40, 1e-6);
    EXPECT_NEAR(y2, y1 - 25, 1e-6);
    EXPECT_TRUE(coinRouge(x2, y2));

    A::ajuster(t).clicked();
    attendrePeinture();
    EXPECT_DOUBLE_EQ(d().getEchelle(), ajustee.echelle);
    EXPECT_DOUBLE_EQ(d().getVue().x, ajustee.x);
    EXPECT_DOUBLE_EQ(d().getVue().y, ajustee.y);
}

TEST_F(Navigation, LaBarreDEtatDonneLesCoordonneesDuPointeur) {
    auto [x, y] = ecran(kX + 50, kY + 50);
    GdkEvent mouvement{};
    mouvement.motion.type = GDK_MOTION_NOTIFY;
    mouvement.motion.x = x;
    mouvement.motion.y = y;
    envoyer(mouvement);
    const std::string texte = A::etat(t);
    const std::string attendu = texteCoordonnees(kX + 50, kY + 50, d().getEchelle());
    EXPECT_EQ(texte.substr(0, attendu.size()), attendu) << texte;
    EXPECT_NE(texte.find("2600050"), std::string::npos) << texte;
    EXPECT_NE(texte.find(texteEchelle(d().getEchelle())), std::string::npos) << texte;
}

TEST_F(Navigation, TouchesFlechesPlusMoinsOrigine) {
    const Vue ajustee = d().getVue();
    auto touche = [&](guint valeur) {
        GdkEvent e{};
        e.key.type = GDK_KEY_PRESS;
        e.key.keyval = valeur;
        envoyer(e);
    };
    auto [x0, y0] = ecran(kX, kY);
    touche(GDK_Right);
    auto [x1, y1] = ecran(kX, kY);
    EXPECT_NEAR(x1, x0 - 50, 1e-6);
    EXPECT_NEAR(y1, y0, 1e-6);
    touche(GDK_plus);
    EXPECT_DOUBLE_EQ(d().getEchelle(), ajustee.echelle * 1.25);
    touche(GDK_Home);
    EXPECT_DOUBLE_EQ(d().getVue().x, ajustee.x);
    EXPECT_DOUBLE_EQ(d().getEchelle(), ajustee.echelle);
}

TEST(Reactivite, PendantUnePeintureLaFenetreRepondEtSeFerme) {
    // 12,000 dashed lines across the drawing: a long paint, during
    // which the window takes a click on "Zoom+" as its next event and closes
    // without waiting for the picture.
    std::string lignes;
    const dxf::Attr tirets{"0", 7, "TIRETS"};
    for (int i = 0; i < 12000; ++i)
        lignes += dxf::ligne(0, i / 12.0, 1000, 1000 - i / 12.0, tirets);
    DossierTemporaire dossier;
    std::ostringstream sortie, erreurs;
    auto t = std::make_unique<Tarsin>(sortie, erreurs);
    t->set_default_size(1000, 800);
    t->show();
    ASSERT_TRUE(t->ouvrir(dossier.ecrire("lent.dxf", dxf::entites(lignes))));
    // (The empty pane may be painted while the file is read, and a fast
    // paint may finish the first picture before the click: no line after.)
    DXFArea& d = A::dessin(*t);
    double avant = 0;
    bool pris = false, peintureAuClic = false;
    std::size_t traceAuClic = 0;
    Glib::signal_idle().connect_once([&] {
        peintureAuClic = d.peintureEnCours();
        traceAuClic = sortie.str().size();
        avant = d.getEchelle();
        A::zoomP(*t).clicked();
        pris = true;
    });
    while (!pris) Gtk::Main::iteration();
    EXPECT_TRUE(peintureAuClic);
    EXPECT_GT(d.getEchelle(), avant);
    EXPECT_TRUE(d.peintureEnCours());  // the new view's picture
    // Closed: the pictures under way are given up, none written to the trace.
    t->hide();
    t.reset();
    EXPECT_EQ(sortie.str().find("	ligne", traceAuClic), std::string::npos);
}
