// The walk, through a backend that records what it is given: resolved
// colours and line types, composed transforms, limits. No cairo here.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "import/dxfhandler.h"
#include "render/parcours.h"
#include "render/trace_dessin.h"
#include "support/dxf.h"
#include "support/hostiles.h"

namespace {

// What the backend received, one primitive per entry.
struct Primitive {
    std::string genre;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    CouleurRVB couleur{0, 0, 0};
    bool tirets = false;
    Matrice m;
    std::vector<PointPlan> points;
    const MotifTirets* motif = nullptr;
    double echelleTirets = 1;
    double depart = 0;
    std::string texte{};  // of a text, its runs and rules (see decrire)
};

// Every character half an em wide, capitals half an em high; the face of a
// run is its style's font name.
class MesureurFixe : public Mesureur {
  public:
    std::set<std::string> noms;
    void mesurer(const StyleCaracteres& s, std::string_view texte, Mesure& m) override {
        m.police = &*noms.insert(s.police + (s.gras ? "|b" : "")).first;
        m.capitales = 0.5;
        m.glyphes.clear();
        for (unsigned char c : texte) m.glyphes.push_back({c, 0.5 * m.glyphes.size()});
        m.avance = 0.5 * texte.size();
    }
};

const CouleurRVB kNoir{0, 0, 0}, kRouge{1, 0, 0}, kVert{0, 1, 0}, kBleu{0, 0, 1};

// "[text|colour|font size|face]" per run, "_colour" per rule: n, r, v, b.
std::string decrire(const TextePlace& t) {
    auto nom = [](const CouleurRVB& c) {
        return c == kNoir ? "n" : c == kRouge ? "r" : c == kVert ? "v" : c == kBleu ? "b" : "?";
    };
    std::ostringstream o;
    for (const Passage& p : t.passages) {
        o << "[" << p.texte << "|" << nom(p.couleur) << "|" << p.em;
        const auto& face = *static_cast<const std::string*>(p.police);
        o << (face.empty() ? "" : "|") << face << "]";
    }
    for (const Filet& f : t.filets) o << "_" << nom(f.couleur);
    return o.str();
}

class RenduEnregistre : public Rendu {
  public:
    std::vector<Primitive> recus;
    void segment(double x1, double y1, double x2, double y2, const Trait& t) override {
        recus.push_back({"segment",
                         x1,
                         y1,
                         x2,
                         y2,
                         t.couleur,
                         t.tirets != nullptr,
                         {},
                         {},
                         t.tirets,
                         t.echelleTirets,
                         t.departTirets});
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
    void pixel(double x, double y, const CouleurRVB& c) override {
        recus.push_back({"pixel", x, y, 0, 0, c, false, {}, {}});
    }
    Mesureur* mesureur() override { return &mesureur_; }
    void texte(const Matrice& m, const TextePlace& t) override {
        Primitive p{"texte", m.x0, m.y0, 0, 0, kNoir, false, m, {}};
        p.texte = decrire(t);
        recus.push_back(p);
    }
    void image(const Matrice& m, const Image&, const CouleurRVB& c) override {
        recus.push_back({"image", 0, 0, 0, 0, c, false, m, {}});
    }

  private:
    MesureurFixe mesureur_;
};

// Walks a drawing read from `texte` in drawing units (the identity view),
// with its trace pass; `masques` names the hidden layers (null: those off
// in the file).
std::vector<Primitive> parcourir(const std::string& texte, std::string* trace = nullptr,
                                 Parcours* parcours = nullptr,
                                 std::shared_ptr<Dessin>* dessin = nullptr,
                                 const std::list<std::string>* masques = nullptr) {
    std::ostringstream importation, sortie;
    DXFHandler handler(importation);
    std::istringstream flux(texte);
    EXPECT_TRUE(lireDXF(flux, handler).utilisable());
    if (dessin) *dessin = handler.getDessin();
    const CalquesMasques resolus =
        masques ? CalquesMasques(*handler.getDessin(), *masques) : CalquesMasques();
    RenduEnregistre rendu;
    Parcours defaut;
    Parcours& p = parcours ? *parcours : defaut;
    p.setCalquesMasques(masques ? &resolus : nullptr);
    Trace t(sortie);
    TraceDessin passe(t);
    passe.setCalquesMasques(masques ? &resolus : nullptr);
    passe.ecrire(*handler.getDessin());
    p.parcourir(*handler.getDessin(), Matrice{}, rendu);
    p.setCalquesMasques(nullptr);
    t.vider();
    if (trace) *trace = sortie.str();
    return rendu.recus;
}

std::string fichier(const std::string& blocs, const std::string& entites) {
    return dxf::fichier(dxf::blocs(blocs) + dxf::section("ENTITIES", entites));
}

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
    auto r =
        parcourir(fichier(dxf::bloc("__root__", 0, 0, dxf::ligne(0, 0, 1, 0)) +
                              dxf::bloc("C", 0, 0, dxf::insert("C", 1, 1) + dxf::ligne(0, 0, 2, 2)),
                          dxf::insert("__root__", 0, 0) + dxf::insert("C", 0, 0) +
                              dxf::insert("C", 0, 0, 0, 1, 0)),
                  &trace);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].x2, 1);
    EXPECT_EQ(r[1].x2, 2);
    std::size_t lignes = 0;
    for (auto p = trace.find("ligne\n"); p != std::string::npos; p = trace.find("ligne\n", p + 1))
        ++lignes;
    EXPECT_EQ(lignes, 3u);

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

namespace {

dxf::Attr sur(const char* calque) { return {calque, 256, ""}; }

std::size_t compter(const std::vector<Primitive>& r, const std::string& genre) {
    return static_cast<std::size_t>(
        std::count_if(r.begin(), r.end(), [&](const Primitive& p) { return p.genre == genre; }));
}

}  // namespace

TEST(Parcours, CalqueZeroDansLesBlocsEtCalquesEteints) {
    // B: a line on layer "0" by layer, a circle on "bleu". Inserted on
    // "rouge", "gele" (frozen) and "0"; a line on "eteint" (off) and one on
    // "0" at the top level.
    const std::string calques = dxf::tables(
        dxf::calque("0", 7) + dxf::calque("rouge", 1) + dxf::calque("bleu", 5, "DASHED") +
        dxf::calque("gele", 3, "CONTINUOUS", 1) + dxf::calque("eteint", -4));
    const std::string texte = dxf::fichier(
        calques +
        dxf::blocs(
            dxf::bloc("B", 0, 0, dxf::ligne(0, 0, 1, 0) + dxf::cercle(0, 0, 1, sur("bleu")))) +
        dxf::section("ENTITIES", dxf::insert("B", 0, 0, 1, 1, 0, sur("rouge")) +
                                     dxf::insert("B", 10, 0, 1, 1, 0, sur("gele")) +
                                     dxf::ligne(0, 5, 1, 5, sur("eteint")) +
                                     dxf::ligne(0, 6, 1, 6) + dxf::insert("B", 20, 0)));
    const CouleurRVB kCyan{0, 1, 1};
    const struct {
        const char* cas;
        std::list<std::string> masques;
        bool liste;
        std::vector<std::pair<double, CouleurRVB>> segments;  // start x, colour
        std::size_t cercles;
    } cas[] = {
        // Without a list, the file's states: "gele" and "eteint" hidden.
        {"sans liste", {}, false, {{0, kRouge}, {0, kNoir}, {20, kNoir}}, 2},
        // The viewer's list alone decides: layer "0" hidden hides what lies
        // on it at the top level, not what a visible insertion places.
        {"liste", {"0"}, true, {{0, kRouge}, {10, kVert}, {0, kCyan}}, 2},
    };
    for (const auto& c : cas) {
        const auto r = parcourir(texte, nullptr, nullptr, nullptr, c.liste ? &c.masques : nullptr);
        std::vector<std::pair<double, CouleurRVB>> segments;
        for (const Primitive& q : r)
            if (q.genre == "segment") segments.push_back({q.x1, q.couleur});
        ASSERT_EQ(segments.size(), c.segments.size()) << c.cas;
        for (std::size_t i = 0; i < segments.size(); ++i) {
            EXPECT_EQ(segments[i].first, c.segments[i].first) << c.cas << " " << i;
            EXPECT_EQ(segments[i].second, c.segments[i].second) << c.cas << " " << i;
        }
        EXPECT_EQ(compter(r, "arc"), c.cercles) << c.cas;
    }
}

TEST(Parcours, CopiesEtCotationsSansLignesDeTrace) {
    // A 2 x 3 grid of B, 10 and 20 apart, turned a quarter turn; a dimension
    // showing *D1; a line in paper space.
    std::string trace;
    const auto r =
        parcourir(fichier(dxf::bloc("B", 0, 0, dxf::ligne(0, 0, 1, 0)) +
                              dxf::bloc("*D1", 0, 0, dxf::ligne(5, 5, 6, 5)),
                          dxf::insert("B", 100, 0, 1, 1, 90).insert(0, "") + dxf::paire(70, 2) +
                              dxf::paire(71, 3) + dxf::paire(44, 10.0) + dxf::paire(45, 20.0) +
                              dxf::paire(0, "DIMENSION") + dxf::paire(8, "0") +
                              dxf::paire(2, "*D1") + dxf::paire(70, 0) + dxf::paire(0, "LINE") +
                              dxf::paire(8, "0") + dxf::paire(67, 1) + dxf::paire(10, 0.0) +
                              dxf::paire(20, 0.0) + dxf::paire(11, 1.0) + dxf::paire(21, 0.0)),
                  &trace);
    std::vector<std::pair<double, double>> debuts;
    for (const Primitive& p : r) debuts.push_back({std::round(p.x1), std::round(p.y1)});
    std::sort(debuts.begin(), debuts.end());
    const std::vector<std::pair<double, double>> attendus = {{5, 5},   {60, 0},  {60, 10}, {80, 0},
                                                             {80, 10}, {100, 0}, {100, 10}};
    EXPECT_EQ(debuts, attendus);
    EXPECT_EQ(trace,
              "bloc : __root__\ntranslation a x : 0, y : 0\n"
              "\tbloc : B\n\ttranslation a x : 100, y : 0\n\t\tligne\n"
              "\ttranslation a x : -100, y : -0\n\tfin du bloc : B\n\n"
              "translation a x : -0, y : -0\nfin du bloc : __root__\n\n");
}

TEST(Parcours, TypesDeLigneEtCouleurs) {
    std::shared_ptr<Dessin> dessin;
    const auto r = parcourir(
        dxf::fichier(
            dxf::section("HEADER", dxf::paire(9, "$LTSCALE") + dxf::paire(40, 2.0)) +
            dxf::section("TABLES", dxf::paire(0, "TABLE") + dxf::paire(2, "LTYPE") +
                                       dxf::paire(0, "LTYPE") + dxf::paire(2, "TIRETS") +
                                       dxf::paire(73, 2) + dxf::paire(49, 3.0) +
                                       dxf::paire(49, -1.0) + dxf::paire(0, "ENDTAB")) +
            dxf::section("ENTITIES",
                         dxf::ligne(0, 0, 1, 0, {"0", 256, "TIRETS"}).insert(0, "") +
                             dxf::paire(0, "LINE") + dxf::paire(8, "0") + dxf::paire(6, "TIRETS") +
                             dxf::paire(48, 0.25) + dxf::paire(10, 0.0) + dxf::paire(11, 1.0) +
                             dxf::ligne(0, 0, 1, 0, {"0", 256, "FANTOME"}) +
                             dxf::ligne(0, 0, 1, 0, {"0", 255, ""}) + dxf::paire(0, "LINE") +
                             dxf::paire(8, "0") + dxf::paire(62, 1) + dxf::paire(420, 0x00A0FF) +
                             dxf::paire(10, 0.0) + dxf::paire(11, 1.0))),
        nullptr, nullptr, &dessin);
    ASSERT_EQ(r.size(), 5u);
    const MotifTirets* tirets = dessin->typeLigne("TIRETS").getMotif();
    ASSERT_TRUE(tirets);
    EXPECT_EQ(r[0].motif, tirets);
    EXPECT_EQ(r[0].echelleTirets, 2);  // $LTSCALE
    EXPECT_EQ(r[1].motif, tirets);
    EXPECT_EQ(r[1].echelleTirets, 0.5);  // times the line's own scale
    EXPECT_EQ(r[2].motif, &kTiretsParDefaut);
    EXPECT_EQ(r[2].echelleTirets, 1);
    EXPECT_EQ(r[3].couleur, kNoir);
    EXPECT_EQ(r[4].couleur, (CouleurRVB{0, 160 / 255.0, 1}));
}

TEST(Parcours, HachuresPleinesMotifsEtTropDenses) {
    // A square of 10 filled, then hatched by lines 1 apart (9 inside), then
    // by lines 0.0005 apart: too many, the boundary alone.
    // With more squares, each 20 further right.
    auto hachure = [](bool plein, double pas, double angle = 0, double x0 = 0, int carres = 1) {
        std::string h = dxf::paire(0, "HATCH") + dxf::paire(8, "0") +
                        dxf::paire(70, plein ? 1 : 0) + dxf::paire(91, carres);
        for (int i = 0; i < carres; ++i) {
            h += dxf::paire(92, 2) + dxf::paire(72, 0) + dxf::paire(73, 1) + dxf::paire(93, 4);
            for (auto [x, y] : {std::pair{0, 0}, {10, 0}, {10, 10}, {0, 10}})
                h += dxf::paire(10, x + 20 * i) + dxf::paire(20, y);
            h += dxf::paire(97, 0);
        }
        h += dxf::paire(75, 0) + dxf::paire(76, 1) + dxf::paire(78, 1) + dxf::paire(53, angle) +
             dxf::paire(43, x0) + dxf::paire(44, 0.5) + dxf::paire(45, angle == 0 ? 0.0 : pas) +
             dxf::paire(46, angle == 0 ? pas : 0.0) + dxf::paire(79, 0);
        return h;
    };
    std::ostringstream erreurs;
    Parcours p;
    p.setErreurs(erreurs);
    auto r = parcourir(dxf::entites(hachure(true, 1)), nullptr, &p);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].genre, "remplir");
    EXPECT_EQ(r[0].points.size(), 4u);
    r = parcourir(dxf::entites(hachure(false, 1)), nullptr, &p);
    ASSERT_EQ(r.size(), 10u);
    for (const Primitive& q : r) {
        EXPECT_NEAR(q.x1, 0, 1e-9);
        EXPECT_NEAR(q.x2, 10, 1e-9);
        EXPECT_NEAR(q.y1 - 0.5, std::round(q.y1 - 0.5), 1e-9);
    }
    EXPECT_EQ(erreurs.str(), "");
    r = parcourir(dxf::entites(hachure(false, 0.0005)), nullptr, &p);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].genre, "polyligne");
    EXPECT_NE(erreurs.str().find("10000 traits"), std::string::npos);
    // Lines whose base lies too far for their numbers to be told apart are
    // none (and the walk ends).
    r = parcourir(dxf::entites(hachure(false, 1, 90, 1e20)), nullptr, &p);
    EXPECT_TRUE(r.empty());
    // Seen in the first of three squares, the lines of the first alone (the
    // others are not flattened).
    p.setZone(-1, -1, 12, 12);
    r = parcourir(dxf::entites(hachure(false, 1, 0, 0, 3)), nullptr, &p);
    const auto seul = parcourir(dxf::entites(hachure(false, 1)), nullptr, &p);
    ASSERT_EQ(r.size(), 10u);
    ASSERT_EQ(seul.size(), r.size());
    for (std::size_t i = 0; i < r.size(); ++i)
        EXPECT_EQ(std::tie(r[i].x1, r[i].y1, r[i].x2, r[i].y2),
                  std::tie(seul[i].x1, seul[i].y1, seul[i].x2, seul[i].y2));
}

TEST(Parcours, RenflementsEtLargeurs) {
    // A half circle by a bulge, then the same polyline 2 wide: a band.
    const std::string lw = dxf::paire(0, "LWPOLYLINE") + dxf::paire(8, "0") + dxf::paire(90, 2) +
                           dxf::paire(70, 0) + dxf::paire(10, 0.0) + dxf::paire(20, 0.0) +
                           dxf::paire(42, 1.0) + dxf::paire(10, 2.0) + dxf::paire(20, 0.0);
    auto r = parcourir(dxf::entites(lw));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].genre, "arc");
    EXPECT_EQ(r[0].x1, 1);  // centre
    EXPECT_EQ(r[0].x2, 1);  // radius
    r = parcourir(dxf::entites(lw + dxf::paire(43, 2.0)));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].genre, "remplir");
    for (const PointPlan& q : r[0].points) {
        const double d = std::hypot(q.x - 1, q.y);
        EXPECT_TRUE(std::fabs(d) < 1e-9 || std::fabs(d - 2) < 1e-9) << q.x << " " << q.y;
    }
}

TEST(Parcours, PointsSelonPdmodeEtPdsize) {
    // A point at (50, 50) of a view 200 pixels high, seen in drawing units.
    struct Cas {
        int mode;
        double taille;
        std::vector<std::string> genres;
        double demi;  // half the figure's size in pixels
    };
    const std::vector<Cas> cas = {
        {0, 0, {"pixel"}, 0},
        {1, 0, {}, 0},
        {2, 10, {"segment", "segment"}, 5},
        {3, 0, {"segment", "segment"}, 5},  // 5% of 200 pixels
        {4, -20, {"segment"}, 20},          // 20% of 200 pixels
        {33, 4, {"arc"}, 2},                // a circle alone
        {98, 4, {"segment", "segment", "arc", "polyligne"}, 2},
        {64, 0.5, {"pixel"}, 0},                  // smaller than a pixel
        {2, 1e300, {"segment", "segment"}, 5e5},  // bounded
    };
    for (const Cas& k : cas) {
        SCOPED_TRACE(k.mode);
        const std::string entete = dxf::paire(9, "$PDMODE") + dxf::paire(70, k.mode) +
                                   dxf::paire(9, "$PDSIZE") + dxf::paire(40, k.taille);
        std::string trace;
        Parcours p;
        p.setHauteurVue(200);
        const auto r = parcourir(dxf::fichier(dxf::section("HEADER", entete) +
                                              dxf::section("ENTITIES", dxf::point(50, 50))),
                                 &trace, &p);
        std::vector<std::string> genres;
        for (const Primitive& q : r) genres.push_back(q.genre);
        EXPECT_EQ(genres, k.genres);
        EXPECT_NE(trace.find("\tpoint\n"), std::string::npos);
        if (k.genres.size() > 1 && k.genres[0] == "segment") {
            // The first arm: horizontal for a cross, oblique for an x.
            EXPECT_DOUBLE_EQ(r[0].x1, 50 - k.demi);
            EXPECT_DOUBLE_EQ(r[0].x2, 50 + k.demi);
        }
        if (k.mode == 4) {
            EXPECT_EQ(r[0].y2, 50 - k.demi);  // upwards on the screen
        }
        if (k.mode == 33) {
            EXPECT_EQ(r[0].x2, k.demi);  // the circle's radius
        }
    }
}

TEST(Parcours, TraitsCoupesALaZoneAvecLeursTirets) {
    // 1,000 dashed lines 4,000 units long through a zone of 2 by 2: what is
    // handed over lies within it, its dashes where the whole line has them.
    Parcours p;
    p.setZone(-1, -1, 1, 1);
    const auto recus = parcourir(hostiles::lignesParUnPoint(1000, 4000, "CACHE"), nullptr, &p);
    ASSERT_EQ(recus.size(), 1000u);
    for (const Primitive& r : recus)
        EXPECT_LE(std::max({std::fabs(r.x1), std::fabs(r.y1), std::fabs(r.x2), std::fabs(r.y2)}),
                  1 + 1e-9);
    EXPECT_NEAR(recus[0].depart, 1999, 1e-9);
    // A circle whose radius is beyond what the backend takes: the chords
    // of what is seen.
    const auto cercle = parcourir(dxf::entites(dxf::cercle(1e7, 0, 1e7)), nullptr, &p);
    ASSERT_EQ(cercle.size(), 1u);
    EXPECT_EQ(cercle[0].genre, "polyligne");
    EXPECT_NEAR(cercle[0].x1, 0, 1e-6);
    EXPECT_NEAR(cercle[0].y1, 1, 1e-6);
}

TEST(Parcours, InsertionMultipleBorneeParLesPixelsDeLaZone) {
    // 2^31 x 2^31 copies: those that meet a zone of 100 x 100 pixels are
    // met, each a stroke; packed under a pixel apart, one in so many; each
    // under a pixel, more than pixels, one block.
    const int n = 2147483647;
    Parcours p;
    p.setZone(0, 0, 100, 100);
    std::ostringstream erreurs;
    p.setErreurs(erreurs);
    auto recus = parcourir(hostiles::minsert(n, n, 1), nullptr, &p);
    EXPECT_EQ(recus.size(), 100u * 100);
    EXPECT_FALSE(p.estTronque());
    recus = parcourir(hostiles::minsert(n, n, 0.001), nullptr, &p);
    EXPECT_LE(recus.size(), 1u << 16);
    EXPECT_TRUE(p.estTronque());
    EXPECT_EQ(erreurs.str(),
              "Insertion multiple trop dense : une copie sur 152881 est dessinee.\n");
    recus = parcourir(hostiles::minsert(n, n, 0.25, 0.5), nullptr, &p);
    ASSERT_EQ(recus.size(), 2u);
    EXPECT_EQ(recus[0].genre, "remplir");
    EXPECT_EQ(recus[1].genre, "polyligne");
}

TEST(Parcours, UnLongCheminSArreteAuDrapeauDAnnulation) {
    // A spline of 20,000 zig-zagging control points: handed over in pieces
    // of at most kPointsMorceau points, the walk stops within one once its
    // flag is set, in the middle of the entity.
    struct RenduAnnule : RenduEnregistre {
        std::atomic<bool> annulation{false};
        void polyligne(const PointPlan* p, std::size_t n, bool f, const Trait& t) override {
            EXPECT_LE(n, Parcours::kPointsMorceau);
            RenduEnregistre::polyligne(p, n, f, t);
            annulation = true;
        }
    };
    std::ostringstream importation;
    DXFHandler handler(importation);
    std::istringstream flux(hostiles::splineZigZag(20000));
    ASSERT_TRUE(lireDXF(flux, handler).utilisable());
    RenduAnnule rendu;
    Parcours p;
    EXPECT_TRUE(p.parcourir(*handler.getDessin(), Matrice{}, rendu));
    EXPECT_GT(rendu.recus.size(), 10u);
    rendu.recus.clear();
    rendu.annulation = false;
    p.setAnnulation(&rendu.annulation);
    EXPECT_FALSE(p.parcourir(*handler.getDessin(), Matrice{}, rendu));
    EXPECT_EQ(rendu.recus.size(), 1u);
}

TEST(Parcours, TextesMisEnPlaceAvantLeRendu) {
    // The backend gets runs of one face, size and colour code, colours
    // resolved (by index, true, by layer, by block: black at the top), and
    // rules; a text on layer "bleu", 10 high (a font size of 20).
    auto mtext = [](const std::string& t) {
        return dxf::paire(0, "MTEXT") + dxf::attr({"bleu", 256, "BYLAYER"}) + dxf::paire(10, 10.0) +
               dxf::paire(20, 20.0) + dxf::paire(40, 10.0) + dxf::paire(71, 7) + dxf::paire(1, t);
    };
    const struct {
        std::string entite;
        const char* attendu;
    } cas[] = {
        {mtext("a\\C1;r\\C256;c{\\C0;b}\\c65280;v"), "[a|b|20][r|r|20][c|b|20][b|n|20][v|v|20]"},
        {mtext("\\C1;a\\c16711680;b"), "[a|r|20][b|r|20]"},
        {mtext("un {\\fTimes|b1;deux}\\Ptrois"), "[un |b|20][deux|b|20|Times|b][trois|b|20]"},
        {mtext("\\H2x;a\\S1/2;"), "[a|b|40][12|b|28]_b"},
        {mtext("\\La\\C1;b\\lc"), "[a|b|20][bc|r|20]_b_r"},
        {dxf::texte(10, 20, 10, "x%%uy%%u", {"0", 3, "CONTINUOUS"}), "[xy|v|20]_v"},
    };
    for (const auto& c : cas) {
        const auto r = parcourir(
            dxf::fichier(dxf::tables(dxf::calque("bleu", 5)) + dxf::section("ENTITIES", c.entite)));
        ASSERT_EQ(r.size(), 1u) << c.attendu;
        EXPECT_EQ(r[0].genre, "texte");
        EXPECT_EQ(r[0].texte, c.attendu);
    }
    // The single-line text placed by its first point: the transform given
    // takes its baseline's start there.
    const auto r = parcourir(dxf::entites(dxf::texte(10, 20, 10, "x")));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_DOUBLE_EQ(r[0].x1, 10);
    EXPECT_DOUBLE_EQ(r[0].y1, 20);
}
