// The guard in front of dxflib: counts brought down to what the file holds,
// lines too long for dxflib, the end of the drawing, the locale.
#include <dxflib/dl_creationadapter.h>
#include <dxflib/dl_dxf.h>
#include <gtest/gtest.h>

#include <fstream>
#include <list>
#include <sstream>

#include "import/dxfhandler.h"
#include "import/garde.h"
#include "import/lecture.h"
#include "support/dxf.h"
#include "support/fichiers.h"

namespace {

using dxf::paire;

std::string sommets(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += paire(10, i) + paire(20, 2 * i);
    return s;
}

// An LWPOLYLINE announcing `annonce` vertices and holding `n`.
std::string lwpolyline(const std::string& annonce, int n) {
    return paire(0, "LWPOLYLINE") + paire(8, "0") + paire(90, annonce) + paire(70, 0) + sommets(n);
}

struct Import {
    std::ostringstream trace;
    DXFHandler handler{trace};
    ResultatLecture r;
    explicit Import(const std::string& texte) { r = lireTexteDXF(texte, "plan.dxf", handler); }
    Block& racine() { return *handler.getBlocRoot(); }
};

ResultatLecture::Cause refusDe(const std::string& texte) { return Controle(texte).refus(); }

}  // namespace

TEST(GardeComptes, UnNombreDeSommetsMenteurEstRameneAuxSommetsPresents) {
    // A billion vertices announced: dxflib would write far past its array.
    const std::string texte = dxf::entites(lwpolyline("1000000000", 3) + dxf::ligne(0, 0, 1, 1));
    Controle c(texte);
    EXPECT_EQ(c.refus(), ResultatLecture::Aucune);
    EXPECT_EQ(c.comptesCorriges(), 1u);
    EXPECT_EQ(c.texte(), dxf::entites(lwpolyline("3", 3) + dxf::ligne(0, 0, 1, 1)));

    Import i(texte);
    EXPECT_EQ(i.r.issue, ResultatLecture::Reussie);
    ASSERT_EQ(i.racine().getPolylines().size(), 1u);
    const auto& pts = i.racine().getPolylines()[0]->getPoints();
    ASSERT_EQ(pts.size(), 3u);
    EXPECT_EQ(pts[2]->getX(), 2);
    EXPECT_EQ(pts[2]->getY(), 4);
    EXPECT_EQ(i.racine().getLignes().size(), 1u);
}

TEST(GardeComptes, ChaqueChampDeCompteDeDxflib) {
    struct Cas {
        const char* genre;
        int code;
        std::string elements;  // the pairs that the count announces
        int presents;
    };
    const Cas cas[] = {
        {"SPLINE", 72, paire(40, 0.0) + paire(40, 1.0), 2},
        {"SPLINE", 73, paire(10, 1.0) + paire(20, 1.0) + paire(30, 0.0), 1},
        {"SPLINE", 74, paire(11, 1.0) + paire(21, 1.0) + paire(11, 2.0) + paire(21, 2.0), 2},
        {"LEADER", 76, paire(10, 1.0) + paire(20, 1.0) + paire(10, 2.0) + paire(20, 2.0), 2},
        {"HATCH", 91, paire(92, 2) + paire(93, 0), 1},
        {"HATCH", 95, paire(40, 1.0), 1},
        {"HATCH", 96, paire(10, 1.0) + paire(20, 1.0), 1},
        {"HATCH", 97, paire(11, 1.0) + paire(21, 1.0), 1},
    };
    for (const Cas& k : cas) {
        for (const char* annonce : {"2000000000", "715827883", "-1", " +99999"}) {
            SCOPED_TRACE(std::string(k.genre) + " " + std::to_string(k.code) + " " + annonce);
            auto entite = [&](const std::string& valeur) {
                return dxf::entites(paire(0, k.genre) + paire(8, "0") + paire(k.code, valeur) +
                                    k.elements + dxf::ligne(0, 0, 1, 1));
            };
            const std::string texte = entite(annonce);
            Controle c(texte);
            const std::string juste =
                std::string(annonce) == "-1" ? "0" : std::to_string(k.presents);
            EXPECT_EQ(c.texte(), entite(juste));
            Import i(entite(annonce));
            EXPECT_EQ(i.r.issue, ResultatLecture::Reussie);
            EXPECT_EQ(i.racine().getLignes().size(), 1u);
        }
    }
}

TEST(GardeComptes, LesComptesJustesEtLesAutresEntitesRestentTelsQuels) {
    // Code 90 means something else outside LWPOLYLINE; 72 and 73 likewise
    // outside SPLINE; a count equal to its elements, or below, is dxflib's
    // business.
    const std::string texte =
        dxf::entites(lwpolyline("2", 2) + lwpolyline("1", 4) + paire(0, "LINE") +
                     paire(90, 1000000) + paire(10, 0.0) + paire(20, 0.0) + paire(11, 1.0) +
                     paire(21, 1.0) + paire(0, "TEXT") + paire(72, 1000000) + paire(73, 99999) +
                     paire(1, "a") + paire(0, "LWPOLYLINES") + paire(90, 1000000));
    Controle c(texte);
    EXPECT_EQ(c.comptesCorriges(), 0u);
    EXPECT_EQ(c.texte(), texte);
    EXPECT_EQ(c.texte().data(), texte.data());  // no copy when nothing changes
}

TEST(GardeComptes, CodesEtValeursLusCommeDxflibLesLit) {
    // "  90", "090" and "4294967386" (which wraps to 90) are all code 90 to
    // dxflib; the value stops at its first NUL; counts are per record and
    // each counts the elements after it; a record type with a blank is that
    // record.
    std::string corps = paire(0, "LWPOLYLINE") + "  90\n7000000\n" + sommets(1) +
                        paire(0, "LWPOLYLINE") + "090\r\n7000000\r\n" + sommets(2) +
                        paire(0, "LWPOLYLINE") + "4294967386\n7000000\n" + sommets(1) +
                        paire(0, "LWPOLYLINE") +
                        paire(90, std::string("1\0"
                                              "999999",
                                              8)) +
                        sommets(1) + paire(0, "LWPOLYLINE") + sommets(2) + paire(90, 5) +
                        sommets(1) + paire(0, "LWPOLYLINE ") + paire(90, 5000000);
    const std::string texte = dxf::entites(corps);
    Controle c(texte);
    EXPECT_EQ(c.comptesCorriges(), 5u);
    const std::string t(c.texte());
    EXPECT_NE(t.find("  90\n1\n10\n0\n"), std::string::npos);
    EXPECT_NE(t.find("090\r\n2\r\n10\n0\n"), std::string::npos);
    EXPECT_NE(t.find("4294967386\n1\n10\n0\n"), std::string::npos);
    EXPECT_NE(t.find(std::string("90\n1\0"
                                 "999999\n",
                                 12)),
              std::string::npos);
    EXPECT_NE(t.find("90\n1\n10\n0\n20\n0\n0\nLWPOLYLINE\n90\n0\n"), std::string::npos);
}

TEST(GardeLignes, UneValeurTropLongueEstCoupeeEtLaSuiteLue) {
    // dxflib reads 1023 characters whole; one more and the pairs shift. A
    // longer value is cut to 1023 bytes, short of a UTF-8 character that the
    // cut would split; a carriage return goes with the cut.
    const std::string e = "\xc3\xa9";  // two bytes
    struct Cas {
        std::string valeur;
        std::size_t garde;  // bytes kept
    };
    const Cas cas[] = {
        {std::string(1023, 'x'), 1023},           {std::string(1024, 'x'), 1023},
        {std::string(2000, 'x'), 1023},           {std::string(100000, 'x'), 1023},
        {std::string(1022, 'x') + e + "y", 1022}, {std::string(1021, 'x') + e + "y", 1023},
        {std::string(1023, 'x') + "\r", 1023},
    };
    for (const Cas& k : cas) {
        SCOPED_TRACE(k.valeur.size());
        const std::string texte = dxf::entites(dxf::texte(0, 0, 1, k.valeur) +
                                               dxf::ligne(0, 0, 1, 1) + dxf::cercle(0, 0, 2));
        Controle c(texte);
        EXPECT_EQ(c.refus(), ResultatLecture::Aucune);
        const bool coupee = k.valeur.size() > 1023;
        EXPECT_EQ(c.ligneCoupee(), coupee ? 18u : 0u);
        Import i(texte);
        EXPECT_EQ(i.r.issue, ResultatLecture::Reussie);
        EXPECT_EQ(i.r.message, coupee ? "plan.dxf : la valeur de sa ligne 18 depasse 1023 "
                                        "caracteres ; elle est coupee, le reste est lu."
                                      : "");
        ASSERT_EQ(i.racine().getTextes().size(), 1u);
        EXPECT_EQ(i.racine().getTextes()[0]->getTexte(), k.valeur.substr(0, k.garde));
        EXPECT_EQ(i.racine().getLignes().size(), 1u);
        EXPECT_EQ(i.racine().getCercles().size(), 1u);
    }
    // A count too long for dxflib is cut and brought down as any count.
    const std::string compte = dxf::entites(lwpolyline("9999999" + std::string(1500, ' '), 2) +
                                            lwpolyline("2" + std::string(1500, ' '), 2));
    Import i(compte);
    EXPECT_EQ(i.r.issue, ResultatLecture::Reussie);
    ASSERT_EQ(i.racine().getPolylines().size(), 2u);
    for (const Polyline* p : i.racine().getPolylines()) EXPECT_EQ(p->getPoints().size(), 2u);
    // A group code line too long is no pair: the file is refused.
    const std::string codeLong = dxf::entites(std::string(1500, ' ') + dxf::ligne(0, 0, 1, 1));
    Controle code(codeLong);
    EXPECT_EQ(code.refus(), ResultatLecture::LigneTropLongue);
    EXPECT_EQ(code.ligneTropLongue(), 5u);
}

TEST(GardeBlancs, LesTypesEtLesSectionsSontLusSansLeursBlancs) {
    // Blanks around record types and section names: dxflib read nothing and
    // the file passed for an empty drawing.
    const std::string texte =
        paire(0, "SECTION  ") + paire(2, "ENTITIES ") + paire(0, "LINE  ") + paire(8, "calque ") +
        paire(10, 1.0) + paire(20, 2.0) + paire(11, 3.0) + paire(21, 4.0) + paire(0, " CIRCLE\t") +
        paire(8, "0") + paire(10, 0.0) + paire(20, 0.0) + paire(40, 5.0) + "  0\r\nARC \r\n" +
        paire(8, "0") + paire(40, 1.0) + paire(0, "ENDSEC ") + paire(0, "EOF  ");
    Controle c(texte);
    EXPECT_EQ(c.entites(), 3u);
    EXPECT_NE(std::string(c.texte()).find("0\nLINE\n8\ncalque \n"), std::string::npos);
    Import i(texte);
    EXPECT_EQ(i.r.issue, ResultatLecture::Reussie) << i.r.message;
    ASSERT_EQ(i.racine().getLignes().size(), 1u);
    EXPECT_EQ(i.racine().getLignes()[0]->getX2(), 3);
    // Values other than types and section names keep their blanks.
    EXPECT_EQ(i.handler.getCalques(), (std::list<std::string>{"0", "calque "}));
    EXPECT_EQ(i.racine().getCercles().size(), 1u);
    EXPECT_EQ(i.racine().getArcs().size(), 1u);
}

TEST(GardeBlancs, UnReelVideOuBlancEstLuZero) {
    // dxflib left such a real uninitialised: whatever lay in memory.
    for (const std::string& valeur : {std::string(), std::string(" \t"),
                                      std::string("\0"
                                                  "7",
                                                  2),
                                      std::string("\r")}) {
        Import i(dxf::entites(paire(0, "LINE") + paire(8, "0") + paire(10, 1.0) + paire(20, 2.0) +
                              paire(11, 3.0) + "21\n" + valeur + "\n"));
        EXPECT_EQ(i.r.issue, ResultatLecture::Reussie) << i.r.message;
        ASSERT_EQ(i.racine().getLignes().size(), 1u);
        EXPECT_EQ(i.racine().getLignes()[0]->getY2(), 0);
        EXPECT_NE(i.trace.str().find("(1, 2) (3, 0)"), std::string::npos) << i.trace.str();
    }
}

TEST(GardeFin, LeTexteSArreteApresLeMarqueurEOF) {
    const std::string dessin = dxf::entites(dxf::ligne(0, 0, 1, 1));
    const std::string suivi = dessin + paire(0, "LINE") + paire(1, std::string(5000, 'x'));
    Controle c(suivi);
    EXPECT_TRUE(c.complet());
    EXPECT_EQ(c.refus(), ResultatLecture::Aucune);
    EXPECT_EQ(c.texte(), dessin);

    const std::string tronque = dessin.substr(0, dessin.size() - 8);
    Controle coupe(tronque);
    EXPECT_FALSE(coupe.complet());
    EXPECT_EQ(coupe.refus(), ResultatLecture::Aucune);

    const std::string sansLF = dessin.substr(0, dessin.size() - 1);
    Controle sansFinDeLigne(sansLF);
    EXPECT_TRUE(sansFinDeLigne.complet());
}

TEST(GardeRefus, CeQuiFaitUnFichierDXF) {
    EXPECT_EQ(refusDe("\n\n\n"), ResultatLecture::PasDXF);
    EXPECT_EQ(refusDe(paire(0, "LINE") + paire(0, "EOF")), ResultatLecture::PasDXF);
    // A long line in a file that is not DXF: the file is what is wrong.
    EXPECT_EQ(refusDe(std::string(3000, '{')), ResultatLecture::PasDXF);
    // The section marker may carry blanks; it may come after a comment.
    EXPECT_EQ(refusDe(paire(999, "fait main") + "  0\r\nSECTION  \r\n"), ResultatLecture::Aucune);
}

TEST(GardeRefus, LeCommentaireDxflibSeulNeFaitPlusEchouerDxflib) {
    // dxflib takes the version after "dxflib " with substr(7), which throws
    // on the bare word; it reads an uninitialised position with two points
    // and writes to the standard error with fewer.
    const std::pair<const char*, const char*> cas[] = {{"dxflib", "dxflib 0.0.0.0"},
                                                       {"dxflib 3.26", "dxflib 0.0.0.0"},
                                                       {"dxflib 3.26.4", "dxflib 3.26.4.0"},
                                                       {"dxflib 3.26.4.0", "dxflib 3.26.4.0"}};
    for (const auto& [ecrit, lu] : cas) {
        const std::string texte =
            dxf::fichier(paire(999, ecrit) + dxf::section("ENTITIES", dxf::ligne(0, 0, 1, 1)));
        EXPECT_NE(std::string(Controle(texte).texte()).find(std::string("999\n") + lu + "\n"),
                  std::string::npos)
            << ecrit;
        std::ostringstream erreurs;
        std::streambuf* avant = std::cerr.rdbuf(erreurs.rdbuf());
        Import i(texte);
        std::cerr.rdbuf(avant);
        EXPECT_EQ(i.r.issue, ResultatLecture::Reussie) << i.r.message;
        EXPECT_EQ(i.racine().getLignes().size(), 1u);
        EXPECT_EQ(erreurs.str(), "") << ecrit;
    }
}

TEST(GardeFichier, LesPagesLuesSontRenduesSansToucherALaSuite) {
    DossierTemporaire d;
    // Lines across several windows of the reading, the last one checked.
    std::string corps;
    for (int i = 0; i < 80000; ++i) corps += dxf::ligne(i, 0, i, 1);
    const std::string chemin = d.ecrire("grand.dxf", dxf::entites(corps));
    TexteFichier f;
    ASSERT_EQ(chargerFichier(chemin, f), ResultatLecture::Aucune);
    ASSERT_GT(f.vue().size(), 3u << 20);
    EXPECT_EQ(f.vue(), lireFichier(chemin));
    f.oublierAvant(1u << 20);
    EXPECT_EQ(f.vue()[0], '\0');
    EXPECT_EQ(f.vue().substr(2u << 20), lireFichier(chemin).substr(2u << 20));

    for (const char* annonce : {"90\n2\n", "90\n99999999\n"}) {
        // Read in place, or from a corrected copy.
        SCOPED_TRACE(annonce);
        const std::string texte =
            dxf::entites(paire(0, "LWPOLYLINE") + annonce + sommets(2) + corps);
        const std::string c = d.ecrire("lu.dxf", texte);
        std::ofstream nul("/dev/null");
        DXFHandler h(nul);
        const ResultatLecture r = lireDXF(c, h);
        EXPECT_EQ(r.issue, ResultatLecture::Reussie);
        ASSERT_EQ(h.getBlocRoot()->getLignes().size(), 80000u);
        EXPECT_EQ(h.getBlocRoot()->getLignes().back()->getX2(), 79999);
        EXPECT_EQ(h.getBlocRoot()->getPolylines().at(0)->getPoints().size(), 2u);
    }
}

TEST(GardeAnnulation, LeChargementEtLaGardeSArretentAuDrapeau) {
    // Set before the reading: the loading stops before its first piece;
    // the guard itself, given the flag, stops within its first pairs.
    DossierTemporaire d;
    const std::string texte = dxf::entites(lwpolyline("70000", 70000));
    const std::string chemin = d.ecrire("grand.dxf", texte);
    std::ostringstream trace;
    DXFHandler handler(trace);
    SuiviLecture suivi;
    suivi.annulation = true;
    const ResultatLecture r = lireDXF(chemin, handler, &suivi);
    EXPECT_EQ(r.cause, ResultatLecture::Annulee);
    EXPECT_EQ(r.message, chemin + " : lecture interrompue.");
    EXPECT_EQ(trace.str(), "");
    EXPECT_EQ(Controle(texte, &suivi.annulation).refus(), ResultatLecture::Annulee);
}

namespace {

// What dxflib hands over of a text, in order.
class Releve : public DL_CreationAdapter {
  public:
    std::ostringstream s;
    void addLine(const DL_LineData& d) override {
        s << "ligne " << d.x1 << ' ' << d.y1 << ' ' << d.x2 << ' ' << d.y2 << '\n';
    }
    void addText(const DL_TextData& d) override { s << "texte " << d.text << ' ' << d.ipx << '\n'; }
    void addPoint(const DL_PointData& d) override { s << "point " << d.x << '\n'; }
    void endSection() override { s << "fin " << attributes.getLayer() << '\n'; }
};

}  // namespace

TEST(GardeLignes, DxflibLitChaquePaireCommeDansUnFlux) {
    // dxflib reads the checked text from a FILE (fgets into 1024 bytes), so
    // that it hands the pairs over: every pair must read as its reader of a
    // stream reads the text as it stands. Cases at the limits of fgets: a
    // line of 1023 bytes, a line that starts with a NUL, the end of a text.
    const std::string debut = paire(0, "SECTION") + paire(2, "ENTITIES");
    const std::string fin = dxf::point(99, 0) + paire(0, "ENDSEC") + paire(0, "EOF");
    const std::string x1023(1023, 'x'), y1022(1022, 'y'), nul("\0ab", 3);
    struct Cas {
        std::string texte, lu;  // what the stream reader hands over, among the rest
    };
    const Cas cas[] = {
        {debut + dxf::texte(0, 0, 1, x1023) + fin, "texte " + x1023 + " 0\n"},
        {debut + dxf::texte(0, 0, 1, y1022 + "\r") + fin, "texte " + y1022 + " 0\n"},
        {debut + paire(0, "LINE") + std::string(1021, ' ') + "10\n4\n" + fin, "ligne 4 0"},
        {debut + paire(0, "TEXT") + paire(8, "c") + paire(1, nul) + paire(10, 2.0) + fin,
         "texte  2\nfin c"},
        {debut + dxf::point(7, 0) + nul + "\n8\n" + fin, "point 7\nfin 0\nfin 0\npoint 99"},
        {debut + dxf::point(9, 0) + "  0\n", "point 9"},
        {debut + dxf::point(9, 0) + "  0\n" + nul, "point 9"},
        {debut + dxf::point(9, 0) + "0\r\n" + x1023, "point 9"},
        {debut + dxf::point(9, 0) + std::string(1022, ' ') + "0", "fin 0\nfin 0\n"},
        {debut + dxf::point(9, 0) + std::string(1022, ' ') + "0\n", "point 9"},
    };
    for (const Cas& k : cas) {
        const std::string& texte = k.texte;
        SCOPED_TRACE(texte.substr(debut.size(), 60));
        Releve flux, fichier;
        {
            GardeLocale locale;
            std::istringstream in(texte);
            DL_Dxf().in(in, &flux);
        }
        const Controle c(texte);
        ASSERT_EQ(c.refus(), ResultatLecture::Aucune);
        ASSERT_EQ(lireAvecDxflib(c.texte(), fichier), ResultatLecture::Aucune);
        EXPECT_EQ(fichier.s.str(), flux.s.str());
        EXPECT_NE(flux.s.str().find(k.lu), std::string::npos) << flux.s.str();
    }
}
