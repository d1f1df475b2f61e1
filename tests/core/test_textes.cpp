// Texts: the code page decoding, the codes read into runs, the lines and
// their wrapping, the alignment point; the import of texts, attributes and
// MTEXT; hostile texts painted without harm.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "import/codage.h"
#include "import/dxfhandler.h"
#include "model/disposition.h"
#include "render/mise_en_page.h"
#include "render/peintre.h"
#include "render/polices.h"
#include "support/dxf.h"
#include "support/hostiles.h"
#include "support/importation.h"

namespace {

using dxf::paire;

// ---------------------------------------------------------------- decoding

TEST(Codage, PagesEtCodes) {
    const struct {
        const char* version;
        const char* page;
        std::string octets;
        bool mtext;
        std::string attendu;
    } cas[] = {
        {"AC1009", "ANSI_1252", "Ch\xE2teau \x80", false, "Ch\xC3\xA2teau \xE2\x82\xAC"},
        {"AC1015", "ANSI_1250", "\x8A\xE8", false, "\xC5\xA0\xC4\x8D"},              // Šč
        {"AC1015", "ANSI_1251", "\xC4\xEE\xEC", false, "\xD0\x94\xD0\xBE\xD0\xBC"},  // Дом
        {"AC1015", "ANSI_936", "\xD6\xD0", false, "\xE4\xB8\xAD"},                   // 中
        {"AC1015", "ANSI_932", "\x93\xFA", false, "\xE6\x97\xA5"},                   // 日
        {"AC1015", "ANSI_949", "\xC7\xD1", false, "\xED\x95\x9C"},                   // 한
        {"AC1015", "ANSI_950", "\xA4\xA4", false, "\xE4\xB8\xAD"},                   // 中
        // From 2007 on, UTF-8; invalid bytes replaced.
        {"AC1021", "ANSI_1252", "\xC3\xA9t\xE9", false, "\xC3\xA9t\xEF\xBF\xBD"},
        // No version: UTF-8 when it is, the code page otherwise.
        {"", "", "\xC3\xA9", false, "\xC3\xA9"},
        {"", "", "25\xB0", false, "25\xC2\xB0"},
        // An undecodable byte in a double-byte page.
        {"AC1015", "ANSI_932",
         "a\xFF"
         "b",
         false,
         "a\xEF\xBF\xBD"
         "b"},
        // Character codes.
        {"AC1015", "ANSI_1252", "\\U+00E9\\U+2300", false, "\xC3\xA9\xE2\x8C\x80"},
        {"AC1015", "ANSI_1252", "\\M+193FA", false, "\xE6\x97\xA5"},  // 日 in Shift-JIS
        {"AC1015", "ANSI_1252", "%%176 %%037d", false, "\xC2\xB0 %%%d"},
        {"AC1015", "ANSI_1252", "%%%%%c", false, "%%%%%c"},
        {"AC1015", "ANSI_1252", "\\U+005C\\U+007B", true, "\\\\\\{"},
        {"AC1015", "ANSI_1252", "\\\\U+0041", true, "\\\\U+0041"},
        // What cairo refuses: noncharacters, surrogates, controls.
        {"AC1021", "", "a\\U+FFFFb\\U+D800\x01", false,
         "a\xEF\xBF\xBD"
         "b\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"AC1021", "", "\xEF\xBF\xBF", false, "\xEF\xBF\xBD"},
    };
    for (const auto& c : cas) {
        Decodeur d;
        if (*c.version) d.setVersion(c.version);
        if (*c.page) d.setPageDeCode(c.page);
        EXPECT_EQ(d.decoder(c.octets, c.mtext), c.attendu) << c.version << " " << c.octets;
    }
    EXPECT_EQ(Decodeur::nomIconv("ANSI_1252"), "CP1252");
    EXPECT_EQ(Decodeur::nomIconv("dos850"), "CP850");
    EXPECT_EQ(Decodeur::nomIconv("ISO8859-2"), "ISO-8859-2");
    EXPECT_EQ(Decodeur::nomIconv("n'importe"), "CP1252");
}

// ---------------------------------------------------------------- codes

// The runs as text: "[texte|h=..]" with the flags that differ from `base`.
std::string decrire(const std::vector<Morceau>& morceaux) {
    std::ostringstream o;
    for (const Morceau& m : morceaux) {
        const StyleCaracteres& s = m.style;
        if (m.genre == Morceau::Paragraphe) {
            o << "[P]";
            continue;
        }
        o << "[" << m.texte;
        if (m.genre == Morceau::Pile) o << m.separateur << m.bas;
        if (s.hauteur != 2) o << "|h" << s.hauteur;
        if (s.souligne) o << "|u";
        if (s.surligne) o << "|o";
        if (s.barre) o << "|k";
        if (s.couleur != -1) o << "|c" << s.couleur;
        if (s.aRvb) o << "|#" << std::hex << s.rvb << std::dec;
        if (!s.police.empty()) o << "|f" << s.police;
        if (s.gras) o << "|b";
        if (s.italique) o << "|i";
        if (s.largeur != 1) o << "|w" << s.largeur;
        o << "]";
    }
    return o.str();
}

TEST(Codes, TexteSurUneLigne) {
    StyleCaracteres base;
    base.hauteur = 2;
    const struct {
        const char* texte;
        const char* attendu;
    } cas[] = {
        {"%%c50 %%p1 45%%d",
         "[\xE2\x8C\x80"
         "50 \xC2\xB1"
         "1 45\xC2\xB0]"},
        {"a%%ub%%uc", "[a][b|u][c]"},
        {"%%oSur%%O %%kx", "[Sur|o][ ][x|k]"},
        {"100%%% %%z fin%%", "[100%  fin]"},
        // MTEXT codes are plain text in TEXT.
        {"a\\Pb{c}", "[a\\Pb{c}]"},
    };
    for (const auto& c : cas)
        EXPECT_EQ(decrire(lireCodes(c.texte, false, base)), c.attendu) << c.texte;
}

TEST(Codes, MText) {
    StyleCaracteres base;
    base.hauteur = 2;
    const struct {
        const char* texte;
        const char* attendu;
    } cas[] = {
        {"un\\Pdeux\\Ntrois", "[un][P][deux][P][trois]"},
        {"a\\H3;b\\H0.5x;c", "[a][b|h3][c|h1.5]"},
        {"a{\\H2x;b}c", "[a][b|h4][c]"},
        {"\\S1/2;\\S3^4;\\S5#6;", "[1/2][3^4][5#6]"},
        {"\\S1\\/2/3;", "[1/2/3]"},
        {"{\\C1;r}{\\c255;b}", "[r|c1][b|#ff]"},
        {"\\Lu\\lv\\Ow\\ox\\Ky\\kz", "[u|u][v][w|o][x][y|k][z]"},
        {"\\fArial|b1|i1|c0;a\\Fromans.shx;b", "[a|fArial|b|i][b|fromans.shx]"},
        {"\\\\ \\{x\\} a\\~b",
         "[\\ {x} a\xC2\xA0"
         "b]"},
        {"\\W0.5;a\\Q15;b\\T2;c\\A1;d\\pxqc;e", "[a|w0.5][b|w0.5][cde|w0.5]"},
        // Unknown codes go, unbalanced braces do no harm.
        {"a\\Zb}}c{d", "[ab][c][d]"},
        {"%%c{\\H-1;x}\\H;y\\", "[\xE2\x8C\x80][x][y]"},
    };
    for (const auto& c : cas)
        EXPECT_EQ(decrire(lireCodes(c.texte, true, base)), c.attendu) << c.texte;
}

// ---------------------------------------------------------------- lines

// Every character half an em wide, capitals 0.5 em high (so one em is two
// heights): glyph indices are the characters.
class MesureurFixe : public Mesureur {
  public:
    void mesurer(const StyleCaracteres&, std::string_view texte, Mesure& m) override {
        m.police = this;
        m.capitales = 0.5;
        m.descente = 0.25;
        m.glyphes.clear();
        double x = 0;
        for (unsigned char c : texte) {
            m.glyphes.push_back({c, x});
            x += 0.5;
        }
        m.avance = x;
    }
};

// The lines of a layout, as text, from the top.
std::vector<std::string> lignesDe(const MiseEnPage& mp) {
    std::vector<std::pair<double, std::string>> parY;
    for (const Passage& p : mp.passages)
        for (const auto& g : p.glyphes) {
            auto it = std::find_if(parY.begin(), parY.end(),
                                   [&](const auto& l) { return std::fabs(l.first - g.y) < 1e-9; });
            if (it == parY.end()) it = parY.insert(parY.end(), {g.y, ""});
            it->second += static_cast<char>(g.index);
        }
    std::sort(parY.begin(), parY.end(),
              [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<std::string> r;
    for (const auto& l : parY) r.push_back(l.second);
    return r;
}

TEST(Lignes, CoupuresALaLargeurDuCadre) {
    // Height 1: one em is 2 units, a character 1 unit.
    StyleCaracteres base;
    base.hauteur = 1;
    const struct {
        const char* texte;
        double cadre;
        std::vector<std::string> attendu;
    } cas[] = {
        {"aaa bbb ccc", 0, {"aaa bbb ccc"}},
        {"aaa bbb ccc", 7, {"aaa bbb", "ccc"}},
        {"aaa bbb ccc", 6.9, {"aaa", "bbb", "ccc"}},
        {"aaa bbb ccc", 100, {"aaa bbb ccc"}},
        // A word longer than the box stands alone.
        {"a tresgrandmot b", 4, {"a", "tresgrandmot", "b"}},
        // No break inside a word made of several runs, nor at a no-break space.
        {"aa{\\H1;bb}cc dd", 5, {"aabbcc", "dd"}},
        {"aa\\~bb cc",
         5,
         {"aa\xC2\xA0"
          "bb",
          "cc"}},
        {"un\\P\\Pdeux", 0, {"un", "deux"}},
    };
    MesureurFixe m;
    for (const auto& c : cas) {
        const MiseEnPage mp = mettreEnPage(lireCodes(c.texte, true, base), true, c.cadre, 1, 0, m);
        EXPECT_EQ(lignesDe(mp), c.attendu) << c.texte << " " << c.cadre;
    }
    // Three lines (one of them empty) 5/3 of a height apart; capitals top at 0.
    const MiseEnPage mp = mettreEnPage(lireCodes("un\\P\\Pdeux", true, base), true, 0, 1, 0, m);
    EXPECT_EQ(mp.lignes, 3);
    EXPECT_NEAR(mp.hauteur, 1 + 2 * 5.0 / 3, 1e-9);
    EXPECT_NEAR(mp.passages.front().glyphes.front().y, -1, 1e-9);
    // Centred lines in a box 10 wide.
    const MiseEnPage centre = mettreEnPage(lireCodes("ab\\Pabcd", true, base), true, 10, 1, 1, m);
    EXPECT_NEAR(centre.passages.front().glyphes.front().x, 4, 1e-9);
    EXPECT_NEAR(centre.largeur, 10, 1e-9);
}

// Codes that once cost far more than their bytes: braces past the depth
// kept save nothing and close as they should; paragraphs are set as they
// are read (lines centred under the widest all the same); one measurer
// looks up kPolicesMax font names, the others take the default face, and
// names that fontconfig does not have come to one face.
TEST(Lignes, CodesCouteuxBornes) {
    StyleCaracteres base;
    base.hauteur = 2;
    const std::string accolades =
        hostiles::mtextAccolades(1'000'000) + "\\H3;y" + std::string(1'000'000, '}') + "z";
    EXPECT_EQ(decrire(lireCodes(accolades, true, base)), "[x][y|h3][z]");
    MesureurFixe m;
    const MiseEnPage mp =
        mettreEnPage(hostiles::mtextParagraphes(100'000) + "abc", base, true, 0, 1, 1, m);
    EXPECT_EQ(mp.lignes, 100'001);
    ASSERT_EQ(mp.passages.size(), 1u);
    const auto& g = mp.passages[0].glyphes;
    ASSERT_EQ(g.size(), 100'003u);
    EXPECT_NEAR(g.front().x, 2, 1e-9);
    EXPECT_NEAR(g.back().x, 4, 1e-9);
    EXPECT_NEAR(g.back().y, -2 - 100'000 * 10.0 / 3, 1e-6);
    MesureurCairo cairo;
    const MiseEnPage polices =
        mettreEnPage(hostiles::mtextPolices(1000), base, true, 0, 1, 0, cairo);
    EXPECT_EQ(cairo.nombrePolices(), MesureurCairo::kPolicesMax);
    ASSERT_EQ(polices.passages.size(), 1u);
    EXPECT_EQ(polices.passages[0].police, obtenirPolice("", false, false));
}

// ---------------------------------------------------------------- placement

TEST(Placement, PointDAlignement) {
    // A text 10 wide, capitals 2 high, descenders 0.5: where its local
    // corners (0, 0) and (10, 2) go, first point (1, 1), second (20, 5).
    const struct {
        int h, v;
        double x0, y0;  // where the local origin lands
    } cas[] = {
        {0, 0, 1, 1},     // left baseline: the first point
        {0, 1, 20, 5.5},  // left bottom: the second point, the bottom on it
        {0, 2, 20, 4},   {0, 3, 20, 3}, {1, 0, 15, 5}, {2, 0, 10, 5},
        {1, 2, 15, 4},   {2, 3, 10, 3}, {4, 0, 15, 4},  // middle
    };
    for (const auto& c : cas) {
        DispositionTexte d;
        d.x2 = 20;
        d.y2 = 5;
        d.alignH = c.h;
        d.alignV = c.v;
        const Matrice m = placerTexte(1, 1, 2, d, 10, 0.5);
        double x = 0, y = 0;
        m.appliquer(x, y);
        EXPECT_NEAR(x, c.x0, 1e-9) << c.h << " " << c.v;
        EXPECT_NEAR(y, c.y0, 1e-9) << c.h << " " << c.v;
    }
    // Without a second point, every alignment keeps the first.
    DispositionTexte sans;
    sans.alignH = 2;
    double x = 10, y = 0;
    placerTexte(1, 1, 2, sans, 10, 0.5).appliquer(x, y);
    EXPECT_NEAR(x, 1, 1e-9);
    // Aligned and fitted: from the first point to the second, along them.
    for (int h : {3, 5}) {
        DispositionTexte d;
        d.x2 = 1;
        d.y2 = 21;
        d.alignH = h;
        d.facteurLargeur = 2;
        const Matrice m = placerTexte(1, 1, 2, d, 10, 0.5);
        double fx = 10, fy = 0, hx = 0, hy = 2;
        m.appliquer(fx, fy);
        m.appliquer(hx, hy);
        EXPECT_NEAR(fx, 1, 1e-9);
        EXPECT_NEAR(fy, 21, 1e-9);
        // Aligned scales the height with the width (x2 here), fitted keeps it.
        EXPECT_NEAR(std::hypot(hx - 1, hy - 1), h == 3 ? 2 : 2, 1e-9) << h;
    }
    // Rotation, width factor, oblique angle, mirrors.
    DispositionTexte d;
    d.angle = 3.141592653589793 / 2;
    d.facteurLargeur = 0.5;
    d.oblique = 3.141592653589793 / 4;
    d.drapeaux = 2;
    const Matrice m = placerTexte(0, 0, 2, d, 10, 0.5);
    double ax = 10, ay = 0, bx = 0, by = 2;
    m.appliquer(ax, ay);
    m.appliquer(bx, by);
    EXPECT_NEAR(ax, 0, 1e-9);  // backwards, width 5, turned a quarter: downwards
    EXPECT_NEAR(ay, -5, 1e-9);
    EXPECT_NEAR(bx, -2, 1e-9);  // the capitals' top leans by 45 degrees, mirrored
    EXPECT_NEAR(by, -2, 1e-9);
    // MTEXT: the attachment point of the box on the insertion point.
    for (int a = 1; a <= 9; ++a) {
        DispositionTexte t;
        t.attachement = a;
        double px = 0, py = 0;
        placerMText(100, 100, t, 30, 12).appliquer(px, py);
        EXPECT_NEAR(px, 100 - 15 * ((a - 1) % 3), 1e-9) << a;
        EXPECT_NEAR(py, 100 + 6 * ((a - 1) / 3), 1e-9) << a;  // the box's top
    }
}

TEST(Polices, ChoixParNomDeFichier) {
    const struct {
        const char* nom;
        const char* famille;
        bool gras, italique;
    } cas[] = {
        {"romans.shx", "sans-serif", false, false},
        {"TXT.SHX", "sans-serif", false, false},
        {"simplex", "sans-serif", false, false},
        {"monotxt.shx", "monospace", false, false},
        {"romanc.shx", "serif", false, false},
        {"italic.shx", "serif", false, true},
        {"inconnue.shx", "sans-serif", false, false},
        {"arial.ttf", "Arial", false, false},
        {"C:\\Fonts\\ARIALBD.TTF", "Arial", true, false},
        {"cour.ttf", "Courier New", false, false},
        {"Bidule.otf", "Bidule", false, false},
        {"Times New Roman", "Times New Roman", false, false},
        {"", "sans-serif", false, false},
    };
    for (const auto& c : cas) {
        const ChoixPolice p = choisirPolice(c.nom);
        EXPECT_EQ(p.famille, c.famille) << c.nom;
        EXPECT_EQ(p.gras, c.gras) << c.nom;
        EXPECT_EQ(p.italique, c.italique) << c.nom;
    }
    // Heights are those of the capitals.
    const Police* sans = obtenirPolice("romans.shx", false, false);
    ASSERT_NE(sans, nullptr);
    EXPECT_GT(sans->capitales, 0.6);
    EXPECT_LT(sans->capitales, 0.8);
}

// ---------------------------------------------------------------- import

std::string entete(const std::string& version, const std::string& page) {
    return dxf::section("HEADER", paire(9, "$ACADVER") + paire(1, version) +
                                      paire(9, "$DWGCODEPAGE") + paire(3, page));
}

TEST(ImportTextes, PlacementCodePageEtTraceInchangee) {
    const std::string t = paire(0, "TEXT") + paire(8, "0") + paire(10, 1.0) + paire(20, 2.0) +
                          paire(40, 2.5) + paire(1, "Ch\xE2teau") + paire(50, 30.0) +
                          paire(41, 0.8) + paire(51, 15.0) + paire(7, "ROMANS") + paire(71, 6) +
                          paire(72, 2) + paire(11, 9.0) + paire(21, 8.0) + paire(73, 3);
    const std::string style = dxf::section(
        "TABLES", paire(0, "TABLE") + paire(2, "STYLE") + paire(0, "STYLE") + paire(2, "Romans") +
                      paire(70, 0) + paire(3, "romans.shx") + paire(0, "ENDTAB"));
    Import i(dxf::fichier(entete("AC1015", "ANSI_1252") + style + dxf::section("ENTITIES", t)));
    ASSERT_EQ(i.racine().getTextes().size(), 1u);
    const Text& x = *i.racine().getTextes()[0];
    EXPECT_EQ(x.getTexte(), "Ch\xC3\xA2teau");
    const DispositionTexte& d = x.getDisposition();
    EXPECT_NEAR(d.angle, 3.141592653589793 / 6, 1e-12);
    EXPECT_NEAR(d.oblique, 3.141592653589793 / 12, 1e-12);
    EXPECT_EQ(d.facteurLargeur, 0.8);
    EXPECT_EQ(d.alignH, 2);
    EXPECT_EQ(d.alignV, 3);
    EXPECT_EQ(d.drapeaux, 6);
    EXPECT_EQ(d.x2, 9);
    EXPECT_EQ(d.y2, 8);
    EXPECT_EQ(i.handler.getDessin()->policeDuStyle("ROMANS"), "romans.shx");
    // The trace keeps the file's bytes.
    EXPECT_NE(i.trace.str().find("TEXT:\tCh\xE2teau\n\tstyle: ROMANS, height: 2.5, "
                                 "xScaleFactor: 0.8\n"),
              std::string::npos);
}

TEST(ImportTextes, MTextEnMorceauxEtAttributs) {
    const std::string longue(300, 'a');
    const std::string m = paire(0, "MTEXT") + paire(8, "0") + paire(10, 1.0) + paire(20, 2.0) +
                          paire(40, 3.0) + paire(41, 50.0) + paire(71, 5) + paire(44, 1.5) +
                          paire(50, 90.0) + paire(11, 1.0) + paire(21, 1.0) + paire(3, longue) +
                          paire(1, "\\Pfin");
    const std::string attdef = [](int drapeaux, const char* valeur) {
        return paire(0, "ATTDEF") + paire(8, "0") + paire(10, 0.0) + paire(20, 0.0) +
               paire(40, 2.0) + paire(1, valeur) + paire(2, "TAG") + paire(70, drapeaux) +
               paire(74, 2);
    }(2, "CONST") + [](int drapeaux, const char* valeur) {
        return paire(0, "ATTDEF") + paire(8, "0") + paire(10, 0.0) + paire(20, 0.0) +
               paire(40, 2.0) + paire(1, valeur) + paire(2, "TAG") + paire(70, drapeaux);
    }(0, "VAR");
    const std::string attrib = paire(0, "ATTRIB") + paire(8, "0") + paire(10, 5.0) +
                               paire(20, 6.0) + paire(40, 2.0) + paire(1, "valeur") +
                               paire(2, "TAG") + paire(70, 0) + paire(74, 3) + paire(72, 1) +
                               paire(11, 7.0) + paire(21, 8.0);
    Import i(
        dxf::fichier(dxf::blocs(dxf::bloc("B", 0, 0, attdef)) +
                     dxf::section("ENTITIES", m + dxf::insert("B", 5, 5) + paire(66, 1) + attrib +
                                                  paire(0, "SEQEND") + dxf::ligne(0, 0, 1, 1))));
    EXPECT_EQ(i.trace.str().find("MTEXT"), std::string::npos);
    EXPECT_EQ(i.trace.str().find("ATTRIB"), std::string::npos);
    auto& mtextes = i.racine().liste<MText>();
    ASSERT_EQ(mtextes.size(), 1u);
    EXPECT_EQ(mtextes[0]->getTexte(), longue + "\\Pfin");
    const DispositionTexte& d = mtextes[0]->getDisposition();
    EXPECT_EQ(d.attachement, 5);
    EXPECT_EQ(d.largeurCadre, 50);
    EXPECT_EQ(d.interligne, 1.5);
    EXPECT_NEAR(d.angle, 3.141592653589793 / 4, 1e-12);  // the direction, given last
    // The attributes: with their insertion; the definitions in the block.
    const Insertion& ins = *i.racine().getBlocs()[0];
    ASSERT_EQ(ins.getAttributs().size(), 1u);
    const Attribut& a = *ins.getAttributs()[0];
    EXPECT_EQ(a.getTexte(), "valeur");
    EXPECT_EQ(a.getDisposition().alignV, 3);
    EXPECT_EQ(a.getDisposition().x2, 7);
    EXPECT_TRUE(a.isPeint());
    const auto& defs = i.handler.getBloc("B")->liste<Attribut>();
    ASSERT_EQ(defs.size(), 2u);
    EXPECT_EQ(defs[0]->getTexte(), "CONST");
    EXPECT_EQ(defs[0]->getDisposition().alignV, 2);
    EXPECT_TRUE(defs[0]->isPeint());
    EXPECT_FALSE(defs[1]->isPeint());
    EXPECT_EQ(i.racine().getLignes().size(), 1u);
}

// ---------------------------------------------------------------- painting

struct Surface {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 200, 200);
    Cairo::RefPtr<Cairo::Context> cr{new Cairo::Context(cairo_create(s), true)};
    ~Surface() {
        cr.clear();
        cairo_surface_destroy(s);
    }
    std::uint32_t pixel(int x, int y) {
        cairo_surface_flush(s);
        return *reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(s) +
                                                 y * cairo_image_surface_get_stride(s) + 4 * x);
    }
};

TEST(PeintureTextes, TextesHostilesSansDommage) {
    // Texts huge, infinite, stretched a million times on one axis, squashed
    // to nothing, on a noncharacter: the line painted after them (in an
    // insertion, painted last) is there, and the context is sound.
    std::string corps = dxf::texte(10, 10, 1e5, "Enorme") + dxf::texte(10, 20, 1e300, "Infini") +
                        dxf::texte(10, 30, 12, "Non\xEF\xBF\xBF") +
                        dxf::texte(10, 30, 12, "\\U+FFFFx") + dxf::insert("T", 10, 120, 1e6, 1) +
                        dxf::insert("T", 10, 100, 1, 1e-12) + dxf::insert("T", 10, 80, 1e8, 1e-8) +
                        dxf::insert("L", 0, 0);
    std::istringstream flux(dxf::fichier(
        dxf::blocs(dxf::bloc("T", 0, 0, dxf::texte(0, 0, 5, "Etire")) +
                   dxf::bloc("L", 0, 0, dxf::ligne(0, 50.5, 200, 50.5, {"0", 1, ""}))) +
        dxf::section("ENTITIES", corps)));
    std::ostringstream rien;
    DXFHandler h(rien);
    ASSERT_TRUE(lireDXF(flux, h).utilisable());
    for (double echelle : {1.0, 1e-3, 1e4}) {
        Surface s;
        Trace trace(rien);
        Peintre p(trace);
        p.setFils(1);
        p.peindre(s.cr, *h.getDessin(), echelle, 200, Zone{0, 0, 200, 200}, {});
        EXPECT_EQ(cairo_status(s.cr->cobj()), CAIRO_STATUS_SUCCESS);
        EXPECT_FALSE(p.estIncomplet());
        if (echelle == 1.0) {
            EXPECT_EQ(s.pixel(100, 149) & 0xFFFFFF, 0xFF0000u);
        }
    }
}

TEST(PeintureTextes, TextesSousLePixelEnBarre) {
    // A text 0.5 pixel high is a bar along its line; smaller still, nothing.
    std::istringstream flux(dxf::entites(dxf::texte(10, 100, 0.5, "aaaaaaaaaaaaaaaaaaaa")));
    std::ostringstream rien;
    DXFHandler h(rien);
    ASSERT_TRUE(lireDXF(flux, h).utilisable());
    Surface s;
    Trace trace(rien);
    Peintre p(trace);
    p.peindre(s.cr, *h.getDessin(), 1, 200, Zone{0, 0, 200, 200}, {});
    int encre = 0;
    for (int x = 0; x < 200; ++x)
        encre += (s.pixel(x, 99) >> 24) != 0 || (s.pixel(x, 100) >> 24) != 0;
    EXPECT_GT(encre, 5);
}

}  // namespace
