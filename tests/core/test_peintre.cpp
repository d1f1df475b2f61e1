// The painters: their trace, and the pixels they leave on image surfaces.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>
#include <thread>
#include <atomic>
#include <chrono>
#include <cstring>

#include "import/dxfhandler.h"
#include "import/lecture.h"
#include "model/objects.h"
#include "model/trace.h"
#include "render/peintre.h"
#include "render/trace_dessin.h"
#include "support/dxf.h"
#include "support/fichiers.h"

namespace {

constexpr int kCote = 300;

// A drawing read from a DXF text, its import trace dropped.
struct Lu {
    std::ostringstream importation;
    DXFHandler handler{importation};
    explicit Lu(const std::string& texte) {
        std::istringstream flux(texte);
        EXPECT_TRUE(lireDXF(flux, handler).utilisable());
    }
    const Dessin& racine() { return *handler.getDessin(); }
};

// A white image surface painted by a Peintre.
struct Toile {
    int largeur, hauteur;
    cairo_surface_t* surface;
    Cairo::RefPtr<Cairo::Context> cr;
    std::ostringstream sortie;
    Trace trace{sortie};
    Peintre peintre{trace};

    explicit Toile(int l = kCote, int h = kCote)
        : largeur(l),
          hauteur(h),
          surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, l, h)),
          cr(new Cairo::Context(cairo_create(surface), true)) {
        blanchir();
    }
    ~Toile() {
        cr.clear();
        cairo_surface_destroy(surface);
    }
    void blanchir() {
        cairo_save(cr->cobj());
        cairo_set_source_rgb(cr->cobj(), 1, 1, 1);
        cairo_paint(cr->cobj());
        cairo_restore(cr->cobj());
    }
    std::string peindre(const Dessin& racine, double echelle = 1,
                        std::list<std::string> masques = {}, Zone zone = {}) {
        if (zone.largeur == 0) zone = {0, 0, double(largeur), double(hauteur)};
        sortie.str("");
        peintre.peindre(cr, racine, echelle, hauteur, zone, masques);
        EXPECT_EQ(cairo_status(cr->cobj()), CAIRO_STATUS_SUCCESS);
        return sortie.str();
    }
    // The pixel at device (x, y), as 0xAARRGGBB.
    std::uint32_t pixel(int x, int y) const {
        cairo_surface_flush(surface);
        const unsigned char* d = cairo_image_surface_get_data(surface);
        return *reinterpret_cast<const std::uint32_t*>(
            d + y * cairo_image_surface_get_stride(surface) + 4 * x);
    }
    bool encre(int x, int y) const { return pixel(x, y) != 0xFFFFFFFFu; }
    // The pixel at drawing point (X, Y) at scale 1 (the pixel whose centre
    // is nearest above-right of it).
    bool encreDessin(double X, double Y) const {
        return encre(static_cast<int>(std::floor(X)),
                     static_cast<int>(hauteur - 1 - std::floor(Y)));
    }
    int pixelsEncres() const {
        int n = 0;
        for (int y = 0; y < hauteur; ++y)
            for (int x = 0; x < largeur; ++x) n += encre(x, y);
        return n;
    }
};

// Frees the font caches once every test has run, so that the leak checker
// reports only real leaks.
class PolicesLiberees : public ::testing::Environment {
  public:
    void TearDown() override { libererPolices(); }
};
[[maybe_unused]] auto* const polices = ::testing::AddGlobalTestEnvironment(new PolicesLiberees);

int rouge(std::uint32_t p) { return (p >> 16) & 0xFF; }
int vert(std::uint32_t p) { return (p >> 8) & 0xFF; }
int bleu(std::uint32_t p) { return p & 0xFF; }

std::vector<std::string> lignes(const std::string& s) {
    std::vector<std::string> r;
    std::istringstream in(s);
    std::string l;
    while (std::getline(in, l)) r.push_back(l);
    return r;
}

std::string fichier(const std::string& blocs, const std::string& entites) {
    return dxf::fichier(dxf::blocs(blocs) + dxf::section("ENTITIES", entites));
}

}  // namespace

// ---------------------------------------------------------------- trace

TEST(PeintreTrace, ExempleDeReference) {
    Lu d(fichier(dxf::bloc("B1", 0, 0, dxf::arc(0, 0, 5, 0, 90)),
                 dxf::ligne(0, 0, 10, 10) + dxf::insert("B1", 120, 45.5)));
    Toile t;
    const std::vector<std::string> attendu = {
        "bloc : __root__",
        "translation a x : 0, y : 0",
        "\tligne",
        "\tbloc : B1",
        "\ttranslation a x : 120, y : 45.5",
        "\t\tarc",
        "\ttranslation a x : -120, y : -45.5",
        "\tfin du bloc : B1",
        "",
        "translation a x : -0, y : -0",
        "fin du bloc : __root__",
        "",
    };
    EXPECT_EQ(lignes(t.peindre(d.racine())), attendu);
}

TEST(PeintreTrace, DessinVide) {
    Lu d(dxf::entites(""));
    Toile t;
    EXPECT_EQ(t.peindre(d.racine()),
              "bloc : __root__\ntranslation a x : 0, y : 0\ntranslation a x : -0, y : -0\n"
              "fin du bloc : __root__\n\n");
    EXPECT_EQ(t.pixelsEncres(), 0);
}

TEST(PeintreTrace, InsertionMasqueeNEcritRien) {
    dxf::Attr cache;
    cache.calque = "CACHE";
    Lu d(fichier(dxf::bloc("B", 0, 0, dxf::ligne(0, 0, 10, 0) + dxf::cercle(5, 5, 2)),
                 dxf::insert("B", 50, 50, 1, 1, 0, cache) + dxf::ligne(0, 0, 10, 10, cache)));
    Toile t;
    const std::string trace = t.peindre(d.racine(), 1, {"AUTRE", "CACHE"});
    EXPECT_EQ(trace,
              "bloc : __root__\ntranslation a x : 0, y : 0\ntranslation a x : -0, y : -0\n"
              "fin du bloc : __root__\n\n");
    EXPECT_EQ(t.pixelsEncres(), 0);
    // Names compare with their case: "cache" hides nothing.
    EXPECT_NE(t.peindre(d.racine(), 1, {"cache"}).find("bloc : B"), std::string::npos);
}

TEST(PeintreTrace, TabulationsDesBlocsImbriques) {
    Lu d(fichier(dxf::bloc("INT", 0, 0, dxf::lwpolyline("0,0;1,0;1,1", 1)) +
                     dxf::bloc("EXT", 0, 0, dxf::point(1, 1) + dxf::insert("INT", 2, 3)),
                 dxf::insert("EXT", 10, 20)));
    Toile t;
    const std::vector<std::string> attendu = {
        "bloc : __root__",
        "translation a x : 0, y : 0",
        "\tbloc : EXT",
        "\ttranslation a x : 10, y : 20",
        "\t\tpoint",
        "\t\tbloc : INT",
        "\t\ttranslation a x : 2, y : 3",
        "\t\t\tpolyline",
        "\t\t\t\tpolypoint",
        "\t\t\t\tpolypoint",
        "\t\t\t\tpolypoint",
        "\t\ttranslation a x : -2, y : -3",
        "\t\tfin du bloc : INT",
        "",
        "\ttranslation a x : -10, y : -20",
        "\tfin du bloc : EXT",
        "",
        "translation a x : -0, y : -0",
        "fin du bloc : __root__",
        "",
    };
    EXPECT_EQ(lignes(t.peindre(d.racine())), attendu);
}

TEST(PeintreTrace, LesObjetsHorsDeLaZoneSontTracesSansEtrePeints) {
    Lu d(
        fichier(dxf::bloc("B", 0, 0, dxf::ligne(0, 0, 10, 0) + dxf::texte(0, 0, 3, "T")),
                dxf::ligne(10, 10, 50, 10) + dxf::cercle(200, 200, 5) + dxf::insert("B", 250, 20)));
    Toile complet, partiel;
    const std::string tout = complet.peindre(d.racine());
    const std::string zone = partiel.peindre(d.racine(), 1, {}, Zone{0, 250, 60, 50});
    EXPECT_EQ(tout, zone);
    // Only the line lies in the zone.
    EXPECT_TRUE(partiel.encreDessin(30, 10));
    for (int y = 0; y < kCote; ++y)
        for (int x = 0; x < kCote; ++x)
            if (x >= 60 || y < 250) {
                ASSERT_FALSE(partiel.encre(x, y)) << x << "," << y;
            }
}

TEST(PeintreTrace, LesTextesDesBlocsSontPeintsEntreCerclesEtImages) {
    Lu d(fichier(dxf::bloc("B", 0, 0,
                           dxf::image("1A", 0, 0, 4, 4) + dxf::texte(0, 0, 20, "Salle") +
                               dxf::cercle(0, 0, 3) + dxf::ligne(0, 0, 1, 1)),
                 dxf::insert("B", 50, 50)));
    Toile t;
    const std::vector<std::string> l = lignes(t.peindre(d.racine()));
    const std::vector<std::string> attendu = {"\t\tligne", "\t\tcercle", "\t\ttexte", "\t\timage"};
    ASSERT_GE(l.size(), 8u);
    EXPECT_EQ(std::vector<std::string>(l.begin() + 4, l.begin() + 8), attendu);
    // The text is painted: ink to the right of the insertion point, upright
    // (above the baseline).
    int encre = 0;
    for (int x = 52; x < 110; ++x)
        for (int y = 50; y < 70; ++y) encre += t.encreDessin(x, y);
    EXPECT_GT(encre, 20);
}

TEST(PeintreTrace, BlocsQuiSInserentEnCercle) {
    Lu d(fichier(
        dxf::bloc("A", 0, 0, dxf::ligne(0, 0, 5, 0, {"0", 1, ""}) + dxf::insert("B", 0, 10)) +
            dxf::bloc("B", 0, 0, dxf::ligne(0, 0, 0, 5, {"0", 3, ""}) + dxf::insert("A", 10, 0)),
        dxf::insert("A", 10, 0)));
    Toile t;
    const std::vector<std::string> attendu = {
        "bloc : __root__",
        "translation a x : 0, y : 0",
        "\tbloc : A",
        "\ttranslation a x : 10, y : 0",
        "\t\tligne",
        "\t\tbloc : B",
        "\t\ttranslation a x : 0, y : 10",
        "\t\t\tligne",
        "\t\ttranslation a x : -0, y : -10",
        "\t\tfin du bloc : B",
        "",
        "\ttranslation a x : -10, y : -0",
        "\tfin du bloc : A",
        "",
        "translation a x : -0, y : -0",
        "fin du bloc : __root__",
        "",
    };
    EXPECT_EQ(lignes(t.peindre(d.racine())), attendu);
    EXPECT_TRUE(t.encreDessin(12, 0));   // A's line
    EXPECT_TRUE(t.encreDessin(10, 12));  // B's line, placed inside A
}

TEST(PeintreTrace, BlocsEnCercleLusDansUnFichier) {
    // B inserts A before A is defined; A then inserts B: the model holds a
    // true circle of blocks.
    Lu d(fichier(dxf::bloc("B", 0, 0, dxf::ligne(0, 0, 1, 0) + dxf::insert("A", 1, 1)) +
                     dxf::bloc("A", 0, 0, dxf::ligne(0, 0, 0, 1) + dxf::insert("B", 1, 1)),
                 dxf::insert("A", 5, 5) + dxf::insert("B", 50, 50)));
    Toile t;
    const std::string trace = t.peindre(d.racine());
    EXPECT_LT(trace.size(), 5000u);
    EXPECT_NE(trace.find("fin du bloc : __root__"), std::string::npos);
}

// ---------------------------------------------------------------- pixels

TEST(PeintrePixels, LigneAEchelleDeux) {
    Lu d(dxf::entites(dxf::ligne(0, 0, 10, 0)));
    Toile t;
    t.peindre(d.racine(), 2);
    const int bas = t.hauteur - 1;
    for (int x = 0; x < 20; ++x) EXPECT_TRUE(t.encre(x, bas)) << x;
    EXPECT_FALSE(t.encre(20, bas));
    EXPECT_FALSE(t.encre(21, bas));
    EXPECT_FALSE(t.encre(5, bas - 1));
    // Centred on the bottom edge: half of its one-pixel width is painted.
    EXPECT_NEAR(rouge(t.pixel(10, bas)), 128, 2);
}

TEST(PeintrePixels, Point) {
    // By default ($PDMODE 0) a point is a dot of one pixel's ink, within the
    // pixels around device (5, H - 5).
    Lu d(dxf::entites(dxf::point(5, 5)));
    Toile t;
    t.peindre(d.racine());
    const int y = t.hauteur - 5;
    double encre = 0, ailleurs = 0;
    for (int x = 0; x < 12; ++x)
        for (int yy = y - 6; yy < t.hauteur; ++yy) {
            const double e = (255 - rouge(t.pixel(x, yy))) / 255.0;
            encre += e;
            if (x < 4 || x > 5 || yy < y - 1 || yy > y) ailleurs += e;
        }
    EXPECT_NEAR(encre, 1.0, 0.1);
    EXPECT_EQ(ailleurs, 0);
}

TEST(PeintrePixels, ArcQuiPasseParZeroDegre) {
    Lu d(dxf::entites(dxf::arc(100, 100, 50, 350, 10)));
    Toile t;
    t.peindre(d.racine());
    EXPECT_TRUE(t.encreDessin(149.7, 100));     // 0°
    EXPECT_FALSE(t.encreDessin(50, 100));       // 180°
    EXPECT_FALSE(t.encreDessin(100, 150));      // 90°
    EXPECT_FALSE(t.encreDessin(100, 50));       // 270°
    EXPECT_FALSE(t.encreDessin(135.4, 135.4));  // 45°
}

TEST(PeintrePixels, TiretsDixPleinsQuatreVides) {
    dxf::Attr tirets;
    tirets.typeLigne = "DASHED";
    Lu d(dxf::entites(dxf::ligne(0, 50.5, 100, 50.5, tirets) + dxf::ligne(0, 80.5, 100, 80.5)));
    Toile t;
    t.peindre(d.racine());
    for (int x = 0; x < 98; ++x) {
        const bool plein = (x % 14) < 10;
        EXPECT_EQ(t.encreDessin(x + 0.5, 50.5), plein) << x;
        EXPECT_TRUE(t.encreDessin(x + 0.5, 80.5)) << x;  // solid after a dashed one
    }
    // At scale 2 the dashes grow with the drawing: 20 pixels on, 8 off.
    Toile t2(400, 400);
    t2.peindre(d.racine(), 2);
    EXPECT_TRUE(t2.encre(19, 400 - 102));
    EXPECT_FALSE(t2.encre(21, 400 - 102));
    EXPECT_TRUE(t2.encre(29, 400 - 102));
}

TEST(PeintrePixels, CalqueMasqueNeTouchePasSesPixels) {
    dxf::Attr cache;
    cache.calque = "CACHE";
    cache.couleur = 1;
    Lu d(dxf::fichier(dxf::tables(dxf::calque("CACHE", 1) + dxf::calque("VU", 3)) +
                      dxf::section("ENTITIES", dxf::ligne(0, 10.5, 100, 10.5, cache) +
                                                   dxf::cercle(150, 150, 40, cache))));
    Toile t;
    // A mark left before the repaint stays as it was.
    cairo_set_source_rgb(t.cr->cobj(), 0, 0, 1);
    cairo_rectangle(t.cr->cobj(), 40, t.hauteur - 12, 5, 3);
    cairo_fill(t.cr->cobj());
    const std::uint32_t marque = t.pixel(42, t.hauteur - 11);
    t.peindre(d.racine(), 1, {"CACHE"});
    EXPECT_EQ(t.pixel(42, t.hauteur - 11), marque);
    EXPECT_FALSE(t.encreDessin(10, 10.5));
    EXPECT_FALSE(t.encreDessin(190, 150));
    t.peindre(d.racine(), 1, {});
    EXPECT_TRUE(t.encreDessin(10, 10.5));
    EXPECT_TRUE(t.encreDessin(189.8, 150));
}

TEST(PeintrePixels, InsertionTourneeDeQuatreVingtDixDegres) {
    Lu d(fichier(dxf::bloc("B", 0, 0, dxf::ligne(0, 0, 10, 0)),
                 dxf::insert("B", 100.5, 50, 1, 1, 90)));
    Toile t;
    t.peindre(d.racine());
    for (int y = 51; y < 60; ++y) EXPECT_TRUE(t.encreDessin(100.5, y + 0.5)) << y;
    EXPECT_FALSE(t.encreDessin(100.5, 61.5));
    EXPECT_FALSE(t.encreDessin(100.5, 48.5));
    EXPECT_FALSE(t.encreDessin(105, 50));  // where it would be unrotated
}

TEST(PeintrePixels, EchelleEtPointDeBaseDUneInsertion) {
    // Base point (10, 0): the block's point (10, 0) lands on the insertion
    // point; scale 2 doubles the line: (100, 100.5) to (120, 100.5).
    Lu d(fichier(dxf::bloc("B", 10, 0, dxf::ligne(10, 0.25, 20, 0.25)),
                 dxf::insert("B", 100, 100, 2, 2, 0)));
    Toile t;
    t.peindre(d.racine());
    for (int x = 100; x < 120; ++x) EXPECT_EQ(t.pixel(x, t.hauteur - 101), 0xFF000000u) << x;
    EXPECT_FALSE(t.encre(99, t.hauteur - 101));
    EXPECT_FALSE(t.encre(120, t.hauteur - 101));
    // The line stays one pixel wide inside a scaled insertion.
    EXPECT_FALSE(t.encre(110, t.hauteur - 102));
    EXPECT_FALSE(t.encre(110, t.hauteur - 100));
}

TEST(PeintrePixels, EchelleDifferenteSelonLesAxes) {
    Lu d(fichier(dxf::bloc("B", 0, 0, dxf::ligne(0, 0, 10, 0) + dxf::ligne(0, 0, 0, 10)),
                 dxf::insert("B", 100.5, 100.5, 3, 0.5, 0)));
    Toile t;
    t.peindre(d.racine());
    EXPECT_TRUE(t.encreDessin(128, 100.5));
    EXPECT_FALSE(t.encreDessin(132, 100.5));
    EXPECT_TRUE(t.encreDessin(100.5, 104));
    EXPECT_FALSE(t.encreDessin(100.5, 106));
}

TEST(PeintrePixels, EchelleNulleNePeintRienEtTraceTout) {
    const std::string contenu = dxf::ligne(0, 0, 10, 0) + dxf::cercle(0, 0, 5) + dxf::point(1, 1) +
                                dxf::texte(0, 0, 5, "X");
    Lu nul(fichier(dxf::bloc("B", 0, 0, contenu), dxf::insert("B", 100, 100, 0, 1, 0)));
    Lu un(fichier(dxf::bloc("B", 0, 0, contenu), dxf::insert("B", 100, 100, 1, 1, 0)));
    Toile t, reference;
    EXPECT_EQ(t.peindre(nul.racine()), reference.peindre(un.racine()));
    EXPECT_EQ(t.pixelsEncres(), 0);
    EXPECT_GT(reference.pixelsEncres(), 0);
}

TEST(PeintrePixels, Couleur7EnNoir) {
    dxf::Attr blanc;
    blanc.couleur = 7;
    Lu d(dxf::entites(dxf::ligne(0, 10.5, 50, 10.5, blanc)));
    Toile t;
    t.peindre(d.racine());
    EXPECT_EQ(t.pixel(20, t.hauteur - 11), 0xFF000000u);
}

TEST(PeintrePixels, CouleurVraieProcheDuFondCommeLa7) {
    // Within 4 levels of the background in every channel: as colour 7 is
    // painted, black on white, white on black.
    const CouleurRVB noir{0, 0, 0}, blanc{1, 1, 1};
    const struct {
        std::uint32_t rvb;
        CouleurRVB fond, peinte;
    } cas[] = {{0xFFFFFF, kFond, noir},
               {0xFBFFFC, kFond, noir},
               {0xFAFFFF, kFond, {250 / 255.0, 1, 1}},
               {0x020304, noir, blanc},
               {0xFFFFFF, noir, blanc}};
    for (const auto& c : cas) EXPECT_EQ(couleurVraie(c.rvb, c.fond), c.peinte) << c.rvb;
}

TEST(PeintrePixels, CouleursHorsDeLaTable) {
    EXPECT_EQ(couleurDXF(7).r, 0);
    EXPECT_EQ(couleurDXF(-7).g, 0);
    EXPECT_EQ(couleurDXF(256).b, 0);
    EXPECT_EQ(couleurDXF(255).r, 0);  // the table's other white, black like 7
    EXPECT_EQ(couleurDXF(254).r, 0.866);
    EXPECT_EQ(couleurDXF(-1).r, 1);
    EXPECT_EQ(couleurDXF(-1).g, 0);
    EXPECT_EQ(couleurDXF(-5).b, 1);
    EXPECT_EQ(couleurDXF(100000).r, 0);
    EXPECT_EQ(couleurDXF(-2147483647 - 1).r, 0);
    EXPECT_EQ(couleurDXF(30).g, 0.5);

    // A layer switched off in the file has a negative colour; its by-layer
    // entities take it.
    dxf::Attr eteint, sans;
    eteint.calque = "ETEINT";
    sans.calque = "SANS";
    Lu d(dxf::fichier(dxf::tables(dxf::calque("ETEINT", -1) + dxf::calque("SANS", 256)) +
                      dxf::section("ENTITIES", dxf::ligne(0, 10.5, 50, 10.5, eteint) +
                                                   dxf::ligne(0, 20.5, 50, 20.5, sans))));
    Toile t;
    t.peindre(d.racine());
    EXPECT_EQ(t.pixel(20, t.hauteur - 11), 0xFFFF0000u);
    EXPECT_EQ(t.pixel(20, t.hauteur - 21), 0xFF000000u);
}

TEST(PeintrePixels, PolylineFermeeParLeBitUn) {
    for (int flags : {0, 1, 129, 128}) {
        Lu d(dxf::entites(dxf::lwpolyline("10.5,10.5;100.5,10.5;100.5,100.5", flags)));
        Toile t;
        t.peindre(d.racine());
        EXPECT_TRUE(t.encreDessin(50, 10.5)) << flags;
        EXPECT_TRUE(t.encreDessin(100.5, 50)) << flags;
        // The closing segment, from the first vertex to the last.
        EXPECT_EQ(t.encreDessin(55.5, 55.5), (flags & 1) != 0) << flags;
    }
}

TEST(PeintrePixels, PolylineDansSaCouleurPasCelleDeSesSommets) {
    auto sommet = [](double x, double y, int couleur) {
        return dxf::paire(0, "VERTEX") + dxf::attr({"0", couleur, ""}) + dxf::paire(10, x) +
               dxf::paire(20, y) + dxf::paire(30, 0.0);
    };
    Lu d(dxf::entites(dxf::paire(0, "POLYLINE") + dxf::attr({"0", 1, ""}) + dxf::paire(66, 1) +
                      dxf::paire(70, 1) + sommet(10.5, 10.5, 1) + sommet(100.5, 10.5, 3) +
                      sommet(100.5, 100.5, 5) + dxf::paire(0, "SEQEND")));
    Toile t;
    t.peindre(d.racine());
    EXPECT_EQ(t.pixel(50, t.hauteur - 11), 0xFFFF0000u);
    EXPECT_EQ(t.pixel(100, t.hauteur - 50), 0xFFFF0000u);
    // The closing diagonal too.
    const std::uint32_t ferme = t.pixel(50, t.hauteur - 51);
    EXPECT_EQ(rouge(ferme), 255);
    EXPECT_LT(bleu(ferme), 0x40);
    EXPECT_EQ(bleu(ferme), vert(ferme));
}

TEST(PeintrePixels, EchelleRefuseeOuPlancher) {
    double e = 0;
    EXPECT_TRUE(lireEchelle("1", e));
    EXPECT_EQ(e, 1);
    EXPECT_TRUE(lireEchelle("0.25", e));
    EXPECT_EQ(e, 0.25);
    EXPECT_TRUE(lireEchelle("1,5", e));
    EXPECT_EQ(e, 1.5);
    EXPECT_TRUE(lireEchelle("2e1", e));
    EXPECT_EQ(e, 20);
    EXPECT_TRUE(lireEchelle("0.001", e));
    for (const char* faux :
         {"0", "-1", "1e-7", "2e6", "", "abc", "1.5x", " 1", "nan", "inf", "1e999"})
        EXPECT_FALSE(lireEchelle(faux, e)) << faux;
    EXPECT_FALSE(lireEchelle(nullptr, e));

    // A scale that no view can take paints at scale 1, without error.
    Lu d(dxf::entites(dxf::ligne(0, 0, 100, 0)));
    Toile t;
    t.peindre(d.racine(), 0);
    EXPECT_TRUE(t.encre(99, t.hauteur - 1));
    EXPECT_FALSE(t.encre(101, t.hauteur - 1));
    t.peindre(d.racine(), -3);
    t.peindre(d.racine(), std::nan(""));
}

TEST(PeintrePixels, TexteQuiNEstPasEnUtf8) {
    // A text in a Windows code page ("25°" in Latin-1): cairo refuses such
    // strings and then paints nothing more; the text is converted first.
    Lu d(fichier(dxf::bloc("B", 0, 0, dxf::ligne(0, 0, 10, 0)),
                 dxf::texte(10, 10, 10, "25\xB0") + dxf::insert("B", 100, 100.5)));
    Toile t;
    t.peindre(d.racine());
    EXPECT_TRUE(t.encreDessin(105, 100.5));
}

TEST(PeintrePixels, CoordonneesImmenses) {
    // Beyond what cairo's fixed-point numbers hold: nothing wraps around into
    // the picture, and a segment that crosses it is still painted.
    Lu d(dxf::entites(dxf::ligne(-1e9, 50.5, 1e9, 50.5) + dxf::ligne(1e8, 1e8, 2e8, 3e8) +
                      dxf::cercle(5e8, 100, 1e8) + dxf::point(9e7, 10) +
                      dxf::texte(5e7, 20, 10, "loin")));
    Toile t;
    t.peindre(d.racine());
    for (int x = 0; x < kCote; ++x) EXPECT_TRUE(t.encreDessin(x + 0.5, 50.5)) << x;
    int encre = t.pixelsEncres();
    EXPECT_EQ(encre, kCote);
}

// The batched strokes against the same primitives each stroked on its own.
TEST(PeintrePixels, RegroupementCommeUnParUn) {
    dxf::Attr tirets;
    tirets.typeLigne = "DASHED";
    std::string corps;
    for (int i = 0; i < 12; ++i) {
        const double y = 10.5 + 20 * i;
        corps += dxf::ligne(5, y, 95, y + 7, i % 3 == 0 ? tirets : dxf::Attr{});
        corps += dxf::arc(150, y, 6, 10.0 * i, 200, i % 2 ? tirets : dxf::Attr{});
        corps += dxf::cercle(200, y, 4);
        corps += dxf::point(240, y);
    }
    Lu d(dxf::entites(corps));
    Toile t;
    t.peintre.setTraitsDirects(false);
    t.peindre(d.racine(), 1.2);

    // Reference: every primitive stroked on its own.
    Toile r;
    cairo_t* c = r.cr->cobj();
    cairo_matrix_t vue;
    cairo_matrix_init(&vue, 1.2, 0, 0, -1.2, 0, r.hauteur);
    Block& racine = *d.handler.getBlocRoot();
    auto trait = [&](int couleur, bool pointille) {
        const CouleurRVB k = couleurDXF(couleur);
        cairo_identity_matrix(c);
        cairo_set_source_rgb(c, k.r, k.g, k.b);
        cairo_set_line_width(c, 1);
        const double tirets[2] = {12, 4.8};
        cairo_set_dash(c, tirets, pointille ? 2 : 0, 0);
        cairo_stroke(c);
    };
    // In the drawing's order.
    racine.pourChaqueEntite([&](const auto& e) {
        using T = std::decay_t<decltype(e)>;
        cairo_set_matrix(c, &vue);
        if constexpr (std::is_same_v<T, Line>) {
            cairo_move_to(c, e.getX(), e.getY());
            cairo_line_to(c, e.getX2(), e.getY2());
        } else if constexpr (std::is_same_v<T, Arc>) {
            cairo_arc(c, e.getX(), e.getY(), e.getRayon(), e.getAngle1(), e.getAngle2());
        } else if constexpr (std::is_same_v<T, Circle>) {
            cairo_arc(c, e.getX(), e.getY(), e.getRayon(), 0, 6.283185307179586);
        } else if constexpr (std::is_same_v<T, Point>) {
            // A dot: a stroke one pixel long.
            double x = e.getX(), y = e.getY();
            cairo_matrix_transform_point(&vue, &x, &y);
            cairo_identity_matrix(c);
            cairo_move_to(c, x - 0.5, y);
            cairo_line_to(c, x + 0.5, y);
        }
        trait(e.getCouleur(), !std::is_same_v<T, Point> && e.isPointille());
    });
    int differents = 0;
    for (int y = 0; y < kCote; ++y)
        for (int x = 0; x < kCote; ++x) {
            const std::uint32_t a = t.pixel(x, y), b = r.pixel(x, y);
            if (std::abs(rouge(a) - rouge(b)) > 1 || std::abs(vert(a) - vert(b)) > 1 ||
                std::abs(bleu(a) - bleu(b)) > 1)
                ++differents;
        }
    EXPECT_EQ(differents, 0);
}

// The walk through a block's index against the walk of every entity: the
// same pixels wherever the view lies, for kinds whose extents are estimated
// (texts, curves through fit points, arrowheads, point figures).
TEST(PeintrePixels, IndexCommeToutParcourir) {
    std::string corps =
        dxf::paire(0, "SECTION") + dxf::paire(2, "HEADER") + dxf::paire(9, "$PDMODE") +
        dxf::paire(70, 35) + dxf::paire(9, "$PDSIZE") + dxf::paire(40, 6.0) +
        dxf::paire(0, "ENDSEC") +
        dxf::blocs(dxf::bloc("B", 0, 0, dxf::cercle(0, 0, 3) + dxf::ligne(0, 0, 9, 9)));
    std::string e;
    for (int i = 0; i < 400; ++i) {
        const double x = (i % 20) * 15, y = (i / 20) * 15;
        if (i % 5 == 0)
            e += dxf::texte(x, y, 5, "Wm" + std::to_string(i));
        else if (i % 5 == 1)
            e += dxf::point(x, y);
        else if (i % 5 == 2)
            e += dxf::insert("B", x, y, 1, 1, 30.0 * i);
        else if (i % 5 == 3)
            e += dxf::paire(0, "SPLINE") + dxf::paire(8, "0") + dxf::paire(71, 3) +
                 dxf::paire(74, 3) + dxf::paire(11, x) + dxf::paire(21, y) + dxf::paire(11, x + 6) +
                 dxf::paire(21, y + 12) + dxf::paire(11, x + 12) + dxf::paire(21, y - 4);
        else
            e += dxf::paire(0, "LEADER") + dxf::paire(8, "0") + dxf::paire(71, 1) +
                 dxf::paire(72, 1) + dxf::paire(76, 3) + dxf::paire(10, x) + dxf::paire(20, y) +
                 dxf::paire(10, x + 5) + dxf::paire(20, y + 9) + dxf::paire(10, x + 13) +
                 dxf::paire(20, y + 2);
    }
    Lu d(dxf::fichier(corps + dxf::section("ENTITIES", e)));
    for (const PointPlan coin : {PointPlan{-20, -20}, PointPlan{100, 60}, PointPlan{250, 260}}) {
        Vue vue;
        vue.echelle = 6;
        vue.x = coin.x;
        vue.y = coin.y;
        Toile avec, sans;
        sans.peintre.setIndex(false);
        for (Toile* t : {&avec, &sans})
            t->peintre.peindre(t->cr, d.racine(), vue, kCote, Zone{0, 0, kCote, kCote}, {});
        int differents = 0;
        for (int y = 0; y < kCote; ++y)
            for (int x = 0; x < kCote; ++x) differents += avec.pixel(x, y) != sans.pixel(x, y);
        EXPECT_EQ(differents, 0) << coin.x << ", " << coin.y;
        EXPECT_GT(sans.pixelsEncres(), 100);
    }
}

// ---------------------------------------------------------------- images

namespace {

// Writes a w x h PNG filled with one colour.
void ecrirePng(const std::string& chemin, int l, int h, double r, double g, double b) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, l, h);
    cairo_t* c = cairo_create(s);
    cairo_set_source_rgb(c, r, g, b);
    cairo_paint(c);
    cairo_destroy(c);
    ASSERT_EQ(cairo_surface_write_to_png(s, chemin.c_str()), CAIRO_STATUS_SUCCESS);
    cairo_surface_destroy(s);
}

std::uint32_t crc32(const unsigned char* d, std::size_t n) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= d[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return c ^ 0xFFFFFFFFu;
}

// The first bytes of a PNG that says it is l x h pixels.
std::string enTetePng(std::uint32_t l, std::uint32_t h) {
    auto be = [](std::uint32_t v) {
        return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    };
    std::string ihdr = "IHDR" + be(l) + be(h) + std::string("\x08\x02\x00\x00\x00", 5);
    const std::uint32_t crc =
        crc32(reinterpret_cast<const unsigned char*>(ihdr.data()), ihdr.size());
    std::string png = "\x89PNG\r\n\x1a\n";
    png += be(13) + ihdr + be(crc);
    // An empty IDAT chunk: enough for the size to be read, nothing to decode.
    const std::string idat = "IDAT";
    png +=
        be(0) + idat + be(crc32(reinterpret_cast<const unsigned char*>(idat.data()), idat.size()));
    return png;
}

std::string dessinImage(const std::string& fichierImage, double x, double y) {
    return dxf::fichier(
        dxf::section("ENTITIES", dxf::image("2F", x, y, 8, 6) + dxf::ligne(0, 5.5, 50, 5.5)) +
        dxf::objets(dxf::imagedef("2F", fichierImage)));
}

}  // namespace

TEST(PeintreImages, PlaceeEnUnitesDuDessinEtDecodeeUneFois) {
    DossierTemporaire dossier;
    const std::string png = dossier.chemin() + "/rouge.png";
    ecrirePng(png, 8, 6, 1, 0, 0);
    Lu d(dessinImage(png, 10, 20));
    Toile t;
    t.peindre(d.racine(), 2);
    // One drawing unit a pixel: (10, 20)-(18, 26) in the drawing, twice as
    // large at scale 2.
    const int h = t.hauteur;
    EXPECT_EQ(t.pixel(21, h - 51), 0xFFFF0000u);
    EXPECT_EQ(t.pixel(35, h - 41), 0xFFFF0000u);
    EXPECT_FALSE(t.encre(19, h - 45));
    EXPECT_FALSE(t.encre(37, h - 45));
    EXPECT_FALSE(t.encre(25, h - 53));
    EXPECT_FALSE(t.encre(25, h - 38));
    t.peindre(d.racine(), 1);
    t.peindre(d.racine(), 1);
    EXPECT_EQ(t.peintre.cacheImages().decodages(), 1u);

    // A changed file is decoded again; its 9 columns fill the 8 units the
    // drawing gives the picture.
    ecrirePng(png, 9, 6, 0, 0, 1);
    t.blanchir();
    t.peindre(d.racine(), 1);
    EXPECT_EQ(t.peintre.cacheImages().decodages(), 2u);
    EXPECT_EQ(t.pixel(17, h - 23), 0xFF0000FFu);
    EXPECT_FALSE(t.encre(19, h - 23));
}

TEST(PeintreImages, FichierManquantMontreSaReference) {
    Lu d(dessinImage("/nulle/part/plan.png", 20, 40));
    Toile t;
    const std::string trace = t.peindre(d.racine());
    EXPECT_NE(trace.find("\timage\n"), std::string::npos);
    // The reference "2F", upright, at the insertion point, size 15.
    int encre = 0;
    for (int x = 20; x < 40; ++x)
        for (int y = 40; y < 52; ++y) encre += t.encreDessin(x + 0.5, y + 0.5);
    EXPECT_GT(encre, 10);
    EXPECT_FALSE(t.encreDessin(25, 36));  // not mirrored below the baseline
    // The entities after it are still painted.
    EXPECT_TRUE(t.encreDessin(25, 5.5));
    t.peindre(d.racine());
    EXPECT_EQ(t.peintre.cacheImages().decodages(), 0u);
}

TEST(PeintreImages, FichierIllisibleOuTropGrand) {
    DossierTemporaire dossier;
    const std::string faux = dossier.ecrire("faux.png", "ceci n'est pas une image");
    const std::string enorme = dossier.ecrire("enorme.png", enTetePng(20000, 20000));
    std::ostringstream erreurs;
    CacheImages cache(64 << 20, erreurs);
    EXPECT_EQ(cache.image(faux), nullptr);
    EXPECT_EQ(cache.image(enorme), nullptr);
    EXPECT_NE(erreurs.str().find("trop grande"), std::string::npos) << erreurs.str();
    EXPECT_NE(erreurs.str().find("20000 x 20000"), std::string::npos);
    EXPECT_EQ(cache.octets(), 0u);
    // Refusals are remembered until the file changes.
    EXPECT_EQ(cache.image(enorme), nullptr);
    EXPECT_EQ(cache.decodages(), 2u);

    Lu d(dessinImage(enorme, 20, 40));
    Toile t;
    t.peindre(d.racine());
    EXPECT_TRUE(t.encreDessin(25, 5.5));
}

TEST(PeintreImages, BudgetDuCache) {
    DossierTemporaire dossier;
    std::ostringstream erreurs;
    CacheImages cache(100 * 100 * 4 * 2, erreurs);
    std::vector<std::string> fichiers;
    for (int i = 0; i < 4; ++i) {
        fichiers.push_back(dossier.chemin() + "/i" + std::to_string(i) + ".png");
        ecrirePng(fichiers.back(), 100, 100, 0, 1, 0);
        ASSERT_NE(cache.image(fichiers.back()), nullptr);
        EXPECT_LE(cache.octets(), 100u * 100 * 4 * 2);
    }
    cache.vider();
    EXPECT_EQ(cache.octets(), 0u);
    EXPECT_EQ(cache.nombre(), 0u);
}

// ---------------------------------------------------------------- threads

// Painting by bands on several threads gives the pixels and the trace of
// one thread, batched strokes those of strokes one by one where nothing
// overlaps.
TEST(PeintreBandes, MemesPixelsEtMemeTraceQuUnSeulFil) {
    DossierTemporaire dossier;
    const std::string png = dossier.chemin() + "/vert.png";
    ecrirePng(png, 30, 700, 0, 1, 0);
    dxf::Attr tirets;
    tirets.typeLigne = "DASHED";
    std::string corps, bloc;
    for (int i = 0; i < 60; ++i) {
        corps += dxf::ligne(3 * i, 10 * i + 0.3, 700 - 5 * i, 13 * i, i % 4 ? dxf::Attr{} : tirets);
        corps += dxf::cercle(350 + 3 * i, 400, 5 + 4 * i);
        corps += dxf::texte(20, 13.7 * i, 9, "Texte " + std::to_string(i));
    }
    bloc = dxf::arc(0, 0, 30, 10, 300) + dxf::lwpolyline("0,0;40,70;-20,90;10,130", 1) +
           dxf::point(5, 5);
    for (int i = 0; i < 12; ++i)
        corps += dxf::insert("B", 60 * i + 20, 700 - 55 * i, 1.5, 1, 17 * i);
    Lu d(dxf::fichier(dxf::blocs(dxf::bloc("B", 0, 0, bloc)) +
                      dxf::section("ENTITIES", corps + dxf::image("2F", 600, 100, 30, 700)) +
                      dxf::objets(dxf::imagedef("2F", png))));
    Toile un(800, 800), deux(800, 800), unParUn(800, 800);
    un.peintre.setFils(1);
    deux.peintre.setFils(3);
    unParUn.peintre.setFils(1);
    unParUn.peintre.setRegroupement(false);
    const Zone zone{7.5, 3, 780, 790};
    const std::string trace = un.peindre(d.racine(), 1, {}, zone);
    EXPECT_EQ(deux.peindre(d.racine(), 1, {}, zone), trace);
    EXPECT_EQ(unParUn.peindre(d.racine(), 1, {}, zone), trace);
    EXPECT_GT(un.pixelsEncres(), 20000);
    int differents = 0, recouvrements = 0;
    for (int y = 0; y < 800; ++y)
        for (int x = 0; x < 800; ++x) {
            differents += un.pixel(x, y) != deux.pixel(x, y);
            recouvrements += un.pixel(x, y) != unParUn.pixel(x, y);
        }
    EXPECT_EQ(differents, 0);
    // Only where strokes of one batch overlap (polyline corners, crossings).
    EXPECT_LT(recouvrements, un.pixelsEncres() / 50);
    EXPECT_EQ(deux.peintre.cacheImages().decodages(), 1u);
}

namespace {

// Blocks B1..Bn, each inserting the one before `fois` times; B0 holds a line.
std::string chaineDeBlocs(int n, int fois) {
    std::string blocs = dxf::bloc("B0", 0, 0, dxf::ligne(0, 0, 10, 0));
    for (int i = 1; i <= n; ++i) {
        std::string corps;
        for (int k = 0; k < fois; ++k) corps += dxf::insert("B" + std::to_string(i - 1), 0, 0);
        blocs += dxf::bloc("B" + std::to_string(i), 0, 0, corps);
    }
    return dxf::fichier(dxf::blocs(blocs) +
                        dxf::section("ENTITIES", dxf::insert("B" + std::to_string(n), 5, 5)));
}

std::size_t compter(const std::string& texte, const std::string& motif) {
    std::size_t n = 0;
    for (auto p = texte.find(motif); p != std::string::npos; p = texte.find(motif, p + 1)) ++n;
    return n;
}

}  // namespace

// A chain of blocks painted on a canvas whose painter's errors are kept.
struct Chaine {
    Lu d;
    Toile t;
    std::ostringstream erreurs;
    Chaine(int n, int fois) : d(chaineDeBlocs(n, fois)) { t.peintre.setErreurs(erreurs); }
    std::string peindre() { return t.peindre(d.racine()); }
};

TEST(PeintreLimites, MilleNiveauxSePeignentEnEntier) {
    Chaine c(1000, 1);
    const std::string trace = c.peindre();
    EXPECT_EQ(compter(trace, "fin du bloc : "), 1002u);  // the root and 1001 insertions
    EXPECT_EQ(compter(trace, "ligne\n"), 1u);
    EXPECT_TRUE(c.t.encreDessin(10, 5));
    EXPECT_EQ(c.erreurs.str(), "");
}

TEST(PeintreLimites, TropProfondSArreteAvecUnMessage) {
    Chaine c(3000, 1);
    const std::string trace = c.peindre();
    EXPECT_EQ(compter(trace, "fin du bloc : "), std::size_t(kProfondeurMax));
    EXPECT_EQ(c.erreurs.str(),
              "Dessin trop imbrique : les blocs au-dela de 1024 niveaux ne sont pas dessines.\n");
    c.peindre();
    EXPECT_EQ(compter(c.erreurs.str(), "\n"), 1u);  // said once
}

TEST(PeintreLimites, IndentationEtTraceBorneesParRepeinte) {
    // 200 levels: no line is indented by more than 64 tabs, the deeper ones
    // carry their depth.
    Chaine c(200, 1);
    const std::string entiere = c.peindre();
    std::size_t tabsMax = 0, longueurMax = 0;
    for (const std::string& l : lignes(entiere)) {
        tabsMax = std::max(tabsMax, l.find_first_not_of('\t') == std::string::npos
                                        ? l.size()
                                        : l.find_first_not_of('\t'));
        longueurMax = std::max(longueurMax, l.size());
    }
    EXPECT_EQ(tabsMax, std::size_t(Trace::kTabulationsMax));
    EXPECT_LT(longueurMax, 64u + 40u);
    EXPECT_NE(entiere.find(std::string(64, '\t') + "[200] "), std::string::npos);
    // Bounded to 4 KiB: each repaint is cut at the same line, with one line
    // saying so.
    c.t.peintre.setLimiteTrace(4096);
    const std::string a = c.peindre(), b = c.peindre();
    EXPECT_EQ(a, b);
    const std::size_t kept = a.size() - std::strlen(Peintre::kTraceCoupee) - 1;
    EXPECT_LE(kept, 4096u);
    EXPECT_EQ(a.substr(0, kept), entiere.substr(0, kept));
    EXPECT_EQ(a.substr(kept), std::string(Peintre::kTraceCoupee) + "\n");
}

TEST(PeintreLimites, SansTraceDemandeeAucunePasseDeTrace) {
    // A painter given no trace (tarsin-render --quiet, export, printing)
    // makes no trace pass at all; given one, one per repaint.
    Chaine c(3, 10);
    for (const bool trace : {false, true, false}) {
        Peintre p;
        if (trace) p.setTrace(c.t.trace);
        const std::uint64_t avant = TraceDessin::nombrePasses();
        p.peindre(c.t.cr, c.d.racine(), 1, c.t.hauteur, Zone{0, 0, 300, 300}, {});
        EXPECT_EQ(TraceDessin::nombrePasses() - avant, trace ? 1u : 0u) << trace;
    }
}

TEST(PeintreLimites, BlocsQuiSeMultiplientTraceBorneeEtAnnulation) {
    // 10^12 insertions if walked whole: the trace stops at its bound with
    // one line, and the paint stops soon after its flag is set.
    Chaine c(12, 10);
    std::atomic<bool> annulation{false};
    std::atomic<std::uint64_t> progression{0};
    c.t.peintre.setAnnulation(&annulation);
    c.t.peintre.setProgression(&progression);
    c.t.peintre.setLimiteTrace(100000);
    std::thread arret([&] {
        while (progression < 200000) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        annulation = true;
    });
    c.t.sortie.str("");
    EXPECT_FALSE(
        c.t.peintre.peindre(c.t.cr, c.d.racine(), 1, c.t.hauteur, Zone{0, 0, 300, 300}, {}));
    arret.join();
    const std::string trace = c.t.sortie.str();
    EXPECT_LE(trace.size(), 100000u + std::strlen(Peintre::kTraceCoupee) + 1);
    EXPECT_EQ(trace.substr(trace.size() - std::strlen(Peintre::kTraceCoupee) - 1),
              std::string(Peintre::kTraceCoupee) + "\n");
    EXPECT_GT(progression.load(), 100000u);
    EXPECT_TRUE(c.t.encreDessin(10, 5));
}

TEST(PeintrePixels, TraitsDirectsProchesDeCairo) {
    // Straight strokes and arcs drawn straight into the pixels: as much ink
    // as cairo's strokes (within 2 %), and few pixels visibly apart (more
    // than 64 levels: line ends and the share of antialiasing between
    // neighbouring rows).
    dxf::Attr tirets;
    tirets.typeLigne = "DASHED";
    std::string corps;
    for (int i = 0; i < 40; ++i) {
        const double y = 5.3 + 7 * i;
        corps += dxf::ligne(3.7, y, 120 + i, y + i % 9 - 4, i % 4 == 0 ? tirets : dxf::Attr{});
        corps += dxf::arc(180, 150, 5 + 3 * i, 7.0 * i, 200 + i, i % 5 ? dxf::Attr{} : tirets);
    }
    Lu d(dxf::entites(corps));
    Toile directs, cairo;
    cairo.peintre.setTraitsDirects(false);
    directs.peindre(d.racine(), 1.3);
    cairo.peindre(d.racine(), 1.3);
    double encreA = 0, encreB = 0;
    int visibles = 0, encres = 0;
    for (int y = 0; y < kCote; ++y)
        for (int x = 0; x < kCote; ++x) {
            const std::uint32_t a = directs.pixel(x, y), b = cairo.pixel(x, y);
            encreA += 3 * 255 - rouge(a) - vert(a) - bleu(a);
            encreB += 3 * 255 - rouge(b) - vert(b) - bleu(b);
            encres += cairo.encre(x, y);
            visibles += std::abs(rouge(a) - rouge(b)) > 64 || std::abs(vert(a) - vert(b)) > 64 ||
                        std::abs(bleu(a) - bleu(b)) > 64;
        }
    EXPECT_NEAR(encreA / encreB, 1.0, 0.02);
    EXPECT_LT(visibles, encres * 3 / 100);
}

TEST(PeintreVectoriel, TraitsRegroupesParCouleurMemesPixels) {
    // Lines of three colours in turn (and strokes of many colours above),
    // then (in an insertion, walked after them) a solid over the middle,
    // then (in another) lines over the solid: on a vector surface (here a recording) the strokes
    // are gathered by colour, yet the solid still covers the lines before it and not those after
    // it. Replayed, the same pixels as cairo's strokes one colour change at a time on an image.
    std::string corps, verticales;
    for (int i = 0; i < 60; ++i)
        corps += dxf::ligne(10, 10.5 + 4 * i, 290, 10.5 + 4 * i, {"0", 1 + 2 * (i % 3), ""});
    const std::string solide =
        "0\nSOLID\n8\n0\n62\n2\n10\n100\n20\n0\n11\n200\n21\n0\n12\n100\n22\n300\n13\n200\n"
        "23\n300\n";
    for (int i = 0; i < 10; ++i)
        verticales += dxf::ligne(120.5 + 6 * i, 20, 120.5 + 6 * i, 280, {"0", i % 2 ? 6 : 4, ""});
    // Above them, 1100 strokes of as many true colours: more colours than
    // are kept open at once.
    for (int i = 0; i < 1100; ++i) {
        const double x = 10.5 + i % 275, y = 252 + 12 * (i / 275);
        corps += dxf::ligne(x, y, x, y + 8) + dxf::paire(420, 0x010203 * (i % 80) + i);
    }
    Lu d(fichier(dxf::bloc("S", 0, 0, solide) + dxf::bloc("V", 0, 0, verticales),
                 corps + dxf::insert("S", 0, 0) + dxf::insert("V", 0, 0)));
    Toile directe;
    directe.peintre.setTraitsDirects(false);
    directe.peindre(d.racine());

    cairo_rectangle_t etendue{0, 0, kCote, kCote};
    cairo_surface_t* enregistrement =
        cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &etendue);
    {
        Cairo::RefPtr<Cairo::Context> cr(new Cairo::Context(cairo_create(enregistrement), true));
        std::ostringstream rien;
        Trace trace(rien);
        Peintre peintre(trace);
        peintre.peindre(cr, d.racine(), 1, kCote, Zone{0, 0, kCote, kCote}, {});
        EXPECT_EQ(cairo_status(cr->cobj()), CAIRO_STATUS_SUCCESS);
    }
    Toile rejouee;
    cairo_set_source_surface(rejouee.cr->cobj(), enregistrement, 0, 0);
    cairo_paint(rejouee.cr->cobj());
    cairo_surface_destroy(enregistrement);

    // (Composited through the recording: a level of rounding apart.)
    int differents = 0;
    for (int y = 0; y < kCote; ++y)
        for (int x = 0; x < kCote; ++x) {
            const std::uint32_t a = directe.pixel(x, y), b = rejouee.pixel(x, y);
            differents += std::abs(rouge(a) - rouge(b)) > 2 || std::abs(vert(a) - vert(b)) > 2 ||
                          std::abs(bleu(a) - bleu(b)) > 2;
        }
    EXPECT_EQ(differents, 0);
    EXPECT_EQ(rejouee.pixel(150, kCote - 1 - 10), 0xFFFFFF00u);   // the solid over a red line
    EXPECT_EQ(rejouee.pixel(120, kCote - 1 - 100), 0xFF00FFFFu);  // a cyan line over it
}
