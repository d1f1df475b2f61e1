// The import handler: trace lines, layers, blocks and insertions, images.
#include <gtest/gtest.h>

#include <sstream>

#include "import/dxfhandler.h"
#include "import/lecture.h"
#include "support/dxf.h"

namespace {

struct Import {
    std::ostringstream trace;
    DXFHandler handler{trace};
    explicit Import(const std::string& texte, DXFHandler::Options o = {}) : handler(trace, o) {
        std::istringstream in(texte);
        lireDXF(in, handler);
    }
    Block& racine() { return *handler.getBlocRoot(); }
};

const char* const kAttrDefaut =
    "\tAttributes: Layer: 0, Color: BYLAYER, Width: BYLAYER, lineType: BYLAYER\n\n";

}  // namespace

TEST(TraceImport, UneLigneParEntite) {
    Import i(dxf::entites(dxf::ligne(0, 0, 10, 5)));
    EXPECT_EQ(i.trace.str(), std::string("LINE:\t\t(0, 0) (10, 5)\n") + kAttrDefaut);
}

TEST(TraceImport, ChaqueGenre) {
    dxf::Attr murs{"murs", 3, "DASHED"};
    Import i(dxf::entites(dxf::point(1.5, -2, murs) + dxf::cercle(1234567, -0.0, 2.5) +
                          dxf::arc(1, 2, 3, 0, 90) + dxf::texte(4, 5, 2.5, "Salut", {}, "ROMANS") +
                          dxf::lwpolyline("0,0;1,0", 1)));
    const std::string a = kAttrDefaut;
    EXPECT_EQ(i.trace.str(),
              "POINT:\t\t(1.5, -2)\n"
              "\tAttributes: Layer: murs, Color: 3, Width: BYLAYER, lineType: DASHED\n\n"
              "CIRCLE:\t\t(1.23457e+06, -0), radius: 2.5\n" +
                  a + "ARC:\t\t(1, 2), radius: 3, angle1: 0, angle2: 90\n" + a +
                  "TEXT:\tSalut\n\tstyle: ROMANS, height: 2.5, xScaleFactor: 1\n" + a +
                  "POLYLINE, \tflags: 1\n" + a + "VERTEX:\t\t(0, 0), bulge: 0\n" + a +
                  "VERTEX:\t\t(1, 0), bulge: 0\n" + a);
    ASSERT_EQ(i.racine().getArcs().size(), 1u);
    EXPECT_EQ(i.racine().getArcs()[0]->getAngle2(), 1.5707963267948966);
    ASSERT_EQ(i.racine().getPolylines().size(), 1u);
    EXPECT_EQ(i.racine().getPolylines()[0]->getPoints().size(), 2u);
    EXPECT_TRUE(i.racine().getPoints()[0]->isPointille());
}

TEST(TraceImport, MotsDeLaLigneDAttributs) {
    std::string corps = dxf::ligne(0, 0, 1, 1, {"0", 0, ""}) + dxf::ligne(0, 0, 1, 1, {"0", 7, ""});
    corps += dxf::paire(0, "LINE") + dxf::paire(8, "0") + dxf::paire(370, -3) +
             dxf::paire(10, 0.0) + dxf::paire(20, 0.0) + dxf::paire(11, 1.0) + dxf::paire(21, 1.0);
    corps += dxf::paire(0, "LINE") + dxf::paire(8, "0") + dxf::paire(370, 13) +
             dxf::paire(10, 0.0) + dxf::paire(20, 0.0) + dxf::paire(11, 1.0) + dxf::paire(21, 1.0);
    corps += dxf::paire(0, "LINE") + dxf::paire(8, "0") + dxf::paire(370, -2) +
             dxf::paire(10, 0.0) + dxf::paire(20, 0.0) + dxf::paire(11, 1.0) + dxf::paire(21, 1.0);
    Import i(dxf::entites(corps));
    const std::string t = i.trace.str();
    EXPECT_NE(t.find("Color: BYBLOCK, Width: BYLAYER, lineType: BYLAYER\n"), std::string::npos);
    EXPECT_NE(t.find("Color: 7, Width:"), std::string::npos);
    EXPECT_NE(t.find("Width: DEFAULT, lineType"), std::string::npos);
    EXPECT_NE(t.find("Width: 13, lineType"), std::string::npos);
    EXPECT_NE(t.find("Width: BYBLOCK, lineType"), std::string::npos);
    EXPECT_EQ(i.racine().getLignes()[0]->getCouleur(), 0);
}

TEST(Calques, OrdreDesOctetsEtDoublons) {
    Import i(dxf::fichier(dxf::tables(dxf::calque("b") + dxf::calque("A", 2) + dxf::calque("a") +
                                      dxf::calque("A", 5, "DASHED")) +
                          dxf::section("ENTITIES", dxf::ligne(0, 0, 1, 1, {"A", 256, ""}))));
    EXPECT_EQ(i.handler.getCalques(), (std::list<std::string>{"A", "a", "b"}));
    // The later layer of a name is the one the entities use.
    EXPECT_EQ(i.racine().getLignes()[0]->getCouleur(), 5);
    EXPECT_TRUE(i.racine().getLignes()[0]->isPointille());
    EXPECT_NE(i.trace.str().find("LAYER:\tb, flags:\t0\n"
                                 "\tAttributes: Layer: 0, Color: 7, Width: BYLAYER, lineType: "
                                 "CONTINUOUS\n\n"),
              std::string::npos);
}

TEST(Calques, CreeAuPremierUsageSansTraceDePlus) {
    Import i(dxf::entites(dxf::ligne(0, 0, 1, 1, {"fantome", 256, ""}) +
                          dxf::cercle(0, 0, 1, {"fantome", 256, ""})));
    EXPECT_EQ(i.handler.getCalques(), (std::list<std::string>{"fantome"}));
    Line* l = i.racine().getLignes()[0];
    ASSERT_NE(l->getCalque(), nullptr);
    EXPECT_EQ(l->getCalque(), i.racine().getCercles()[0]->getCalque());
    EXPECT_EQ(l->getCouleur(), 7);
    EXPECT_FALSE(l->isPointille());
    EXPECT_EQ(i.trace.str().find("LAYER:\t"), std::string::npos);
}

TEST(Calques, GestionnaireNeuf) {
    std::ostringstream trace;
    DXFHandler h(trace);
    EXPECT_TRUE(h.getCalques().empty());
    Block* r = h.getBlocRoot();
    EXPECT_EQ(r->getNom(), "__root__");
    EXPECT_EQ(r->getCouleur(), 256);
    EXPECT_EQ(r->getTypeLigne(), "CONTINUOUS");
    EXPECT_EQ(r->getCalque()->getNom(), "__root__");
    EXPECT_EQ(r->getBpx(), 0);
    EXPECT_TRUE(r->getLignes().empty() && r->getBlocs().empty() && r->getImages().empty());
}

TEST(Blocs, EntitesDuBlocPuisRetourALaRacine) {
    Import i(dxf::fichier(dxf::blocs(dxf::bloc("P", 1, 1, dxf::ligne(0, 0, 1, 0))) +
                          dxf::section("ENTITIES", dxf::ligne(5, 5, 6, 6))));
    Block* p = i.handler.getBloc("P");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->getLignes().size(), 1u);
    EXPECT_EQ(i.racine().getLignes().size(), 1u);
    EXPECT_NE(i.trace.str().find("BLOCK:\tP\n\tbpx: 1, bpy: 1\n\tflags:\t0\n"), std::string::npos);
    EXPECT_NE(i.trace.str().find("Fin du bloc : P\n\n"), std::string::npos);
}

TEST(Blocs, InsertionRenvoieALaDefinition) {
    dxf::Attr def{"0", 4, "DASHED"}, ins{"portes", 2, ""};
    Import i(dxf::fichier(
        dxf::blocs(dxf::bloc("P", 1, 1, dxf::ligne(0, 0, 1, 0) + dxf::ligne(0, 0, 0, 1), def)) +
        dxf::section("ENTITIES", dxf::insert("P", 10, 0, 2, 2, 90, ins) +
                                     dxf::insert("P", 20, 0, 1, 1, 0, ins))));
    auto& insertions = i.racine().getBlocs();
    ASSERT_EQ(insertions.size(), 2u);
    const Insertion* a = insertions[0];
    EXPECT_EQ(a->getNom(), "P");
    EXPECT_EQ(a->getX(), 10);
    EXPECT_EQ(a->getSx(), 2);
    EXPECT_EQ(a->getAngle(), 1.5707963267948966);
    // Its own colour, line type and layer; the definition's contents.
    EXPECT_EQ(a->getCouleur(), 2);
    EXPECT_EQ(a->getTypeLigne(), "BYLAYER");
    EXPECT_EQ(a->getCalque()->getNom(), "portes");
    EXPECT_EQ(&a->getDefinition(), i.handler.getBloc("P"));
    EXPECT_EQ(&insertions[1]->getDefinition(), &a->getDefinition());
    EXPECT_EQ(a->getDefinition().getBpx(), 1);
    EXPECT_EQ(a->getDefinition().getLignes().size(), 2u);
    EXPECT_NE(i.trace.str().find("INSERT:\tP\n\tipx: 10, ipy: 0\n\tsx: 2, sy: 2, angle: 90\n"),
              std::string::npos);
}

TEST(Blocs, DefinitionLueApresSesInsertions) {
    // A inserts B twice before B is defined; B is then defined in two
    // parts; Q is inserted before and after its definition; Jamais never is.
    Import i(dxf::fichier(
        dxf::section("ENTITIES", dxf::insert("Q", 3, 4, 1, 1, 0, {"0", 5, ""})) +
        dxf::blocs(dxf::bloc("A", 0, 0, dxf::insert("B", 0, 0) + dxf::insert("B", 5, 0)) +
                   dxf::bloc("B", 0, 0, dxf::ligne(0, 0, 1, 0)) +
                   dxf::bloc("Q", 5, 5, dxf::cercle(0, 0, 1)) +
                   dxf::bloc("B", 2, 2, dxf::arc(0, 0, 1, 0, 90))) +
        dxf::section("ENTITIES", dxf::insert("Q", 7, 7) + dxf::insert("Jamais", 1, 2))));
    auto& insertions = i.racine().getBlocs();
    ASSERT_EQ(insertions.size(), 3u);
    const Block& q = insertions[0]->getDefinition();
    EXPECT_EQ(&q, i.handler.getBloc("Q"));
    EXPECT_EQ(q.getBpx(), 5);
    EXPECT_EQ(&insertions[1]->getDefinition(), &q);
    EXPECT_EQ(insertions[0]->getCouleur(), 5);
    EXPECT_TRUE(insertions[2]->getDefinition().getBlocs().empty());
    EXPECT_FALSE(insertions[2]->getDefinition().isDefini());
    // Both insertions of B see all of it, both parts.
    for (const Insertion* b : i.handler.getBloc("A")->getBlocs()) {
        EXPECT_EQ(b->getDefinition().getLignes().size(), 1u);
        EXPECT_EQ(b->getDefinition().getArcs().size(), 1u);
        EXPECT_EQ(b->getDefinition().getBpx(), 2);
    }
}

TEST(Blocs, DefinitionsCirculairesNeBouclentPas) {
    Import i(dxf::fichier(
        dxf::blocs(dxf::bloc("A", 0, 0, dxf::insert("B", 0, 0) + dxf::ligne(0, 0, 1, 0)) +
                   dxf::bloc("B", 0, 0, dxf::insert("A", 0, 0)) +
                   dxf::bloc("C", 0, 0, dxf::insert("C", 0, 0))) +
        dxf::section("ENTITIES", dxf::insert("A", 0, 0))));
    EXPECT_EQ(i.racine().getBlocs().size(), 1u);
    EXPECT_EQ(i.handler.getBloc("C")->getBlocs().size(), 1u);
}

TEST(Import, SommetSansPolyline) {
    std::string corps =
        dxf::paire(0, "VERTEX") + dxf::paire(8, "0") + dxf::paire(10, 1.0) + dxf::paire(20, 2.0);
    Import i(dxf::entites(corps));
    EXPECT_EQ(i.trace.str(), std::string("VERTEX:\t\t(1, 2), bulge: 0\n") + kAttrDefaut);
    EXPECT_TRUE(i.racine().getPoints().empty());
}

TEST(Import, EntitesNonPrisesEnChargeSansTrace) {
    std::string corps = dxf::paire(0, "ELLIPSE") + dxf::paire(8, "0") + dxf::paire(10, 0.0) +
                        dxf::paire(20, 0.0) + dxf::paire(11, 5.0) + dxf::paire(21, 0.0) +
                        dxf::paire(40, 0.5) + dxf::paire(41, 0.0) + dxf::paire(42, 6.28);
    corps += dxf::paire(0, "MTEXT") + dxf::paire(8, "0") + dxf::paire(10, 0.0) +
             dxf::paire(20, 0.0) + dxf::paire(40, 1.0) + dxf::paire(1, "bonjour");
    corps += dxf::paire(0, "SOLID") + dxf::paire(8, "0") + dxf::paire(10, 0.0) +
             dxf::paire(20, 0.0) + dxf::paire(11, 1.0) + dxf::paire(21, 0.0) + dxf::paire(12, 0.0) +
             dxf::paire(22, 1.0);
    corps += dxf::paire(0, "3DFACE") + dxf::paire(8, "0") + dxf::paire(10, 0.0) +
             dxf::paire(20, 0.0) + dxf::paire(11, 1.0) + dxf::paire(21, 0.0) + dxf::paire(12, 0.0) +
             dxf::paire(22, 1.0) + dxf::paire(13, 0.0) + dxf::paire(23, 1.0);
    Import i(dxf::entites(corps));
    EXPECT_EQ(i.trace.str(), "");
    EXPECT_TRUE(i.racine().getLignes().empty());
    EXPECT_TRUE(i.racine().getTextes().empty());
}

TEST(Images, LieesParHandleToutesEtDansLesDeuxOrdres) {
    Import i(dxf::fichier(
        dxf::section("ENTITIES", dxf::image("2F", 0, 0, 640, 480) + dxf::image("2F", 5, 5, 1, 1)) +
        dxf::objets(dxf::imagedef("2F", "plan.png") + dxf::imagedef("30", "tard.png")) +
        dxf::section("ENTITIES", dxf::image("30", 9, 9, 2, 2))));
    auto& images = i.racine().getImages();
    ASSERT_EQ(images.size(), 3u);
    EXPECT_EQ(images[0]->getRef(), "2F");
    EXPECT_EQ(images[0]->getWidth(), 640);
    EXPECT_EQ(images[0]->getHeight(), 480);
    EXPECT_EQ(images[0]->getFile(), "plan.png");
    EXPECT_EQ(images[1]->getFile(), "plan.png");
    EXPECT_EQ(images[2]->getFile(), "tard.png");
    const std::string t = i.trace.str();
    EXPECT_NE(t.find("IMAGE:\t2F, ipx : 0, ipy : 0, width : 640, height : 480\n"),
              std::string::npos);
    EXPECT_NE(t.find("DefImage:\t2F, file : plan.png\n"), std::string::npos);
}

TEST(Images, IgnoreesParLaVisionneuseSimple) {
    DXFHandler::Options sansImages;
    sansImages.images = false;
    Import i(dxf::fichier(dxf::section("ENTITIES", dxf::image("2F", 0, 0, 640, 480)) +
                          dxf::objets(dxf::imagedef("2F", "plan.png"))),
             sansImages);
    EXPECT_EQ(i.trace.str(), "");
    EXPECT_TRUE(i.racine().getImages().empty());
}
