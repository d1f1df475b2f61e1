// The walk, through a backend that records what it is given: resolved
// colours and line types, composed transforms, limits. No cairo here.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "import/lecture.h"
#include "render/parcours.h"
#include "support/dxf.h"

namespace {

// What the backend received, one primitive per entry.
struct Primitive {
    std::string genre;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    CouleurRVB couleur{0, 0, 0};
    bool tirets = false;
    Matrice m;
    std::vector<PointPlan> points;
};

class RenduEnregistre : public Rendu {
  public:
    std::vector<Primitive> recus;
    void segment(double x1, double y1, double x2, double y2, const Trait& t) override {
        recus.push_back({"segment", x1, y1, x2, y2, t.couleur, t.tirets != nullptr, {}, {}});
    }
    void arc(const Matrice& m, double cx, double cy, double r, double, double,
             const Trait& t) override {
        recus.push_back({"arc", cx, cy, r, 0, t.couleur, t.tirets != nullptr, m, {}});
    }
    void polyligne(const PointPlan* p, std::size_t n, bool, const Trait& t) override {
        recus.push_back({"polyligne",
                         p[0].x,
                         p[0].y,
                         p[n - 1].x,
                         p[n - 1].y,
                         t.couleur,
                         t.tirets != nullptr,
                         {},
                         std::vector<PointPlan>(p, p + n)});
    }
    void remplir(const PointPlan* p, const std::size_t* tailles, std::size_t contours,
                 const CouleurRVB& c, RegleRemplissage) override {
        std::size_t n = 0;
        for (std::size_t i = 0; i < contours; ++i) n += tailles[i];
        recus.push_back(
            {"remplir", p[0].x, p[0].y, 0, 0, c, false, {}, std::vector<PointPlan>(p, p + n)});
    }
    void point(const Matrice& m, double x, double y, const CouleurRVB& c) override {
        recus.push_back({"point", x, y, 0, 0, c, false, m, {}});
    }
    void texte(const Matrice& m, const TexteAPeindre& t) override {
        recus.push_back({"texte", t.x, t.y, t.taille, 0, t.couleur, false, m, {}});
    }
    void image(const Matrice& m, const Image&, const CouleurRVB& c) override {
        recus.push_back({"image", 0, 0, 0, 0, c, false, m, {}});
    }
};

// Walks a drawing read from `texte` in drawing units (the identity view).
std::vector<Primitive> parcourir(const std::string& texte, std::string* trace = nullptr,
                                 Parcours* parcours = nullptr) {
    std::ostringstream importation, sortie;
    DXFHandler handler(importation);
    std::istringstream flux(texte);
    EXPECT_TRUE(lireDXF(flux, handler).utilisable());
    RenduEnregistre rendu;
    Parcours defaut;
    Parcours& p = parcours ? *parcours : defaut;
    Trace t(sortie);
    p.setTrace(&t);
    p.parcourir(*handler.getDessin(), Matrice{}, rendu);
    t.vider();
    if (trace) *trace = sortie.str();
    return rendu.recus;
}

std::string fichier(const std::string& blocs, const std::string& entites) {
    return dxf::fichier(dxf::blocs(blocs) + dxf::section("ENTITIES", entites));
}

const CouleurRVB kNoir{0, 0, 0}, kRouge{1, 0, 0}, kVert{0, 1, 0}, kBleu{0, 0, 1};

}  // namespace

TEST(Parcours, ParBlocAuTraversDeDeuxNiveaux) {
    // L is by block; B (by block too) sits in A: L takes A's pen, whatever
    // the layers say; at the top level by block is 7 (black) and solid.
    const dxf::Attr parBloc{"0", 0, "BYBLOCK"};
    const std::string blocs =
        dxf::bloc("B", 0, 0, dxf::ligne(0, 0, 1, 0, parBloc) + dxf::cercle(0, 0, 1, parBloc)) +
        dxf::bloc("A", 0, 0, dxf::insert("B", 0, 0, 1, 1, 0, parBloc));
    const struct {
        dxf::Attr a;
        CouleurRVB couleur;
        bool tirets;
    } cas[] = {
        {{"0", 1, "CONTINUOUS"}, kRouge, false},
        {{"0", 3, "DASHED"}, kVert, true},
        {{"bleu", 256, "BYLAYER"}, kBleu, true},  // the layer's colour and line type
    };
    for (const auto& c : cas) {
        const std::string calques = dxf::tables(dxf::calque("bleu", 5, "DASHED"));
        const auto r =
            parcourir(dxf::fichier(calques + dxf::blocs(blocs) +
                                   dxf::section("ENTITIES", dxf::insert("A", 0, 0, 1, 1, 0, c.a))));
        ASSERT_EQ(r.size(), 2u);
        for (const Primitive& p : r) {
            EXPECT_EQ(p.couleur, c.couleur) << p.genre << " " << c.a.typeLigne;
            EXPECT_EQ(p.tirets, c.tirets) << p.genre << " " << c.a.typeLigne;
        }
    }
    const auto r = parcourir(dxf::entites(dxf::ligne(0, 0, 1, 0, parBloc)));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].couleur, kNoir);
    EXPECT_FALSE(r[0].tirets);
}

TEST(Parcours, TransformationsComposees) {
    // B's line (1,0)-(2,0) with base point (1,0), inserted in A at (0,10)
    // scaled by 2, A inserted at (100,50) rotated by 90 degrees.
    const auto r = parcourir(fichier(dxf::bloc("B", 1, 0, dxf::ligne(1, 0, 2, 0)) +
                                         dxf::bloc("A", 0, 0, dxf::insert("B", 0, 10, 2, 2, 0)),
                                     dxf::insert("A", 100, 50, 1, 1, 90)));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_NEAR(r[0].x1, 90, 1e-9);
    EXPECT_NEAR(r[0].y1, 50, 1e-9);
    EXPECT_NEAR(r[0].x2, 90, 1e-9);
    EXPECT_NEAR(r[0].y2, 52, 1e-9);
}

TEST(Parcours, BlocsDefinisApresEtEnDeuxFois) {
    // A inserts B twice before B is defined, B is defined in two parts:
    // both insertions show both parts.
    std::string trace;
    const auto r =
        parcourir(fichier(dxf::bloc("A", 0, 0, dxf::insert("B", 0, 0) + dxf::insert("B", 10, 0)) +
                              dxf::bloc("B", 0, 0, dxf::ligne(0, 0, 1, 0)) +
                              dxf::bloc("B", 0, 0, dxf::cercle(0, 0, 1)),
                          dxf::insert("A", 0, 0)),
                  &trace);
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[2].genre, "segment");
    EXPECT_EQ(r[2].x1, 10);
    EXPECT_EQ(r[3].genre, "arc");
    EXPECT_EQ(
        trace.find("\t\tbloc : B\n\t\ttranslation a x : 10, y : 0\n\t\t\tligne\n\t\t\tcercle\n") !=
            std::string::npos,
        true);
}

TEST(Parcours, LimitesEtCercles) {
    // A block named like the root is painted like any other; a circle of
    // blocks stops where it would close; a zero scale paints nothing but
    // traces everything.
    std::string trace;
    auto r = parcourir(fichier(dxf::bloc("__root__", 0, 0, dxf::ligne(0, 0, 1, 0)) +
                                   dxf::bloc("C", 0, 0, dxf::insert("C", 1, 1) + dxf::point(0, 0)),
                               dxf::insert("__root__", 0, 0) + dxf::insert("C", 0, 0) +
                                   dxf::insert("C", 0, 0, 0, 1, 0)),
                       &trace);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].genre, "segment");
    EXPECT_EQ(r[1].genre, "point");
    EXPECT_EQ(std::count(trace.begin(), trace.end(), 'p'), 2);  // "point" twice

    // Deeper than the limit: said once, the walk goes on.
    std::string chaine = dxf::bloc("B0", 0, 0, dxf::ligne(0, 0, 1, 0));
    for (int i = 1; i < 1100; ++i)
        chaine += dxf::bloc("B" + std::to_string(i), 0, 0,
                            dxf::insert("B" + std::to_string(i - 1), 0, 0));
    std::ostringstream erreurs;
    Parcours p;
    p.setErreurs(erreurs);
    r = parcourir(fichier(chaine, dxf::insert("B1099", 0, 0) + dxf::ligne(5, 5, 6, 6)), nullptr,
                  &p);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].x1, 5);
    EXPECT_TRUE(p.estTronque());
    EXPECT_NE(erreurs.str().find("1024 niveaux"), std::string::npos);
}
