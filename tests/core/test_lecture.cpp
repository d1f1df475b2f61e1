// Reading a file: each way a file can be wrong gives its own message and
// outcome; what can be read is read; nothing escapes; the locale stays.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <clocale>
#include <locale>
#include <new>
#include <sstream>
#include <stdexcept>

#include "import/dxfhandler.h"
#include "import/lecture.h"
#include "plan/lecture_plan.h"
#include "support/dxf.h"
#include "support/fichiers.h"

namespace {

using dxf::paire;

struct Lecture {
    std::ostringstream trace;
    DXFHandler handler{trace};
    ResultatLecture r;
    explicit Lecture(const std::string& chemin) { r = lireDXF(chemin, handler); }
    Block& racine() { return *handler.getBlocRoot(); }
};

// Sets the French locale for C and C++ for its lifetime.
class EnFrancais {
  public:
    EnFrancais() : c_(std::setlocale(LC_ALL, nullptr)) {
        actif_ = std::setlocale(LC_ALL, "fr_FR.UTF-8") != nullptr;
        if (actif_) std::locale::global(std::locale("fr_FR.UTF-8"));
    }
    ~EnFrancais() {
        std::locale::global(cpp_);
        std::setlocale(LC_ALL, c_.c_str());
    }
    bool actif() const { return actif_; }

  private:
    std::string c_;
    std::locale cpp_;
    bool actif_ = false;
};

}  // namespace

TEST(LectureEchecs, ChaqueCauseASonMessage) {
    DossierTemporaire d;
    const std::string& dos = d.chemin();
    const std::string fifo = dos + "/tube.dxf";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    struct Cas {
        std::string chemin;
        ResultatLecture::Cause cause;
        std::string message;
    };
    // A group code line past what dxflib reads (a long value is cut, not refused).
    const std::string longue = dxf::entites(std::string(1500, ' ') + dxf::ligne(0, 0, 1, 1));
    // Entities that dxflib drops whole: an INSERT without a block name.
    const std::string rien = dxf::entites(paire(0, "INSERT") + paire(8, "0") + paire(10, 1.0));
    const Cas cas[] = {
        {dos + "/absent.dxf", ResultatLecture::Ouverture, " n'a pas pu etre ouvert."},
        {dos, ResultatLecture::Dossier, " est un dossier, pas un fichier DXF."},
        {fifo, ResultatLecture::FichierSpecial, " n'est pas un fichier ordinaire."},
        {"/dev/zero", ResultatLecture::FichierSpecial, " n'est pas un fichier ordinaire."},
        {d.ecrire("vide.dxf", ""), ResultatLecture::Vide, " est vide."},
        {d.ecrire("lettre.dxf", "Cher monsieur,\nvoici le plan.\n"), ResultatLecture::PasDXF,
         " n'est pas un fichier DXF."},
        {d.ecrire("binaire.dxf", std::string("AutoCAD Binary DXF\r\n\x1a\0\0\0", 24)),
         ResultatLecture::DXFBinaire,
         " est un fichier DXF binaire : seuls les DXF texte sont lus."},
        {d.ecrire("long.dxf", longue), ResultatLecture::LigneTropLongue,
         " n'a pas pu etre lu : sa ligne 5 depasse 1023 caracteres."},
        {d.ecrire("rien.dxf", rien), ResultatLecture::RienLu,
         " contient des entites, mais aucune n'a pu etre lue."},
    };
    for (const Cas& k : cas) {
        SCOPED_TRACE(k.chemin);
        const auto debut = std::chrono::steady_clock::now();
        Lecture l(k.chemin);
        EXPECT_LT(std::chrono::steady_clock::now() - debut, std::chrono::seconds(5));
        EXPECT_EQ(l.r.issue, ResultatLecture::Echec);
        EXPECT_FALSE(l.r.utilisable());
        EXPECT_EQ(l.r.cause, k.cause);
        EXPECT_EQ(l.r.message, k.chemin + k.message);
        EXPECT_EQ(l.handler.nombreObjets(), 0u);
        EXPECT_EQ(l.trace.str(), "");
    }
}

TEST(LectureEchecs, UnFichierCoupeMontreSonDebutAvecUnAvertissement) {
    DossierTemporaire d;
    const std::string entier =
        dxf::entites(dxf::ligne(0, 0, 1, 1) + dxf::cercle(5, 5, 2) + dxf::ligne(2, 2, 3, 3));
    // Cut in the middle of the last LINE: the first two entities are whole.
    const std::string chemin = d.ecrire("coupe.dxf", entier.substr(0, entier.find("11\n3")));
    Lecture l(chemin);
    EXPECT_EQ(l.r.issue, ResultatLecture::Incomplete);
    EXPECT_TRUE(l.r.utilisable());
    EXPECT_EQ(l.r.cause, ResultatLecture::Tronque);
    EXPECT_EQ(l.r.message,
              chemin + " est incomplet : il s'arrete avant sa fin, seul son debut est lu.");
    EXPECT_EQ(l.racine().getLignes().size(), 1u);
    EXPECT_EQ(l.racine().getCercles().size(), 1u);

    Lecture entierLu(d.ecrire("entier.dxf", entier));
    EXPECT_EQ(entierLu.r.issue, ResultatLecture::Reussie);
    EXPECT_EQ(entierLu.r.message, "");
    EXPECT_EQ(entierLu.racine().getLignes().size(), 2u);
}

TEST(LectureEchecs, AucuneExceptionNeSortEtLaLocaleResteLaMeme) {
    // A handler that fails as a model that runs out of memory would.
    struct Defaillant : DXFHandler {
        int quoi;
        Defaillant(std::ostream& o, int q) : DXFHandler(o), quoi(q) {}
        void addCircle(const DL_CircleData&) override {
            if (quoi == 0) throw std::bad_alloc();
            throw std::runtime_error("panne");
        }
    };
    EnFrancais fr;
    const std::string avantC = std::setlocale(LC_ALL, nullptr);
    const std::string avantCpp = std::locale().name();
    const std::string texte = dxf::entites(dxf::ligne(0, 0, 1, 1) + dxf::cercle(0, 0, 1));
    for (int quoi : {0, 1}) {
        std::ostringstream trace;
        Defaillant h(trace, quoi);
        ResultatLecture r;
        EXPECT_NO_THROW(r = lireTexteDXF(texte, "plan.dxf", h));
        EXPECT_EQ(r.issue, ResultatLecture::Echec);
        EXPECT_EQ(r.message, quoi == 0 ? "plan.dxf n'a pas pu etre lu : memoire insuffisante."
                                       : "plan.dxf n'a pas pu etre lu : erreur de dxflib.");
        EXPECT_EQ(std::setlocale(LC_ALL, nullptr), avantC);
        EXPECT_EQ(std::locale().name(), avantCpp);
        // What was read before the failure was traced.
        EXPECT_EQ(trace.str().rfind("LINE:", 0), 0u);
    }
}

TEST(LectureFlux, UnFluxNeBoucleJamais) {
    // Through a stream, dxflib never ends on a line longer than its buffer.
    std::istringstream flux(dxf::entites(dxf::texte(0, 0, 1, std::string(5000, 'b'))));
    std::ostringstream trace;
    DXFHandler h(trace);
    ResultatLecture r = lireDXF(flux, h, "envoi");
    EXPECT_EQ(r.issue, ResultatLecture::Reussie);
    EXPECT_EQ(r.message,
              "envoi : la valeur de sa ligne 18 depasse 1023 caracteres ; elle est coupee, le "
              "reste est lu.");
    ASSERT_EQ(h.getBlocRoot()->getTextes().size(), 1u);
    EXPECT_EQ(h.getBlocRoot()->getTextes()[0]->getTexte(), std::string(1023, 'b'));

    std::istringstream vide("");
    EXPECT_EQ(lireDXF(vide, h).message, "<flux> est vide.");
}

TEST(LectureLocale, EnFrancaisLesNombresSeLisentEtSeTracentAvecUnPoint) {
    EnFrancais fr;
    if (!fr.actif()) GTEST_SKIP() << "pas de locale fr_FR.UTF-8";
    // A composite C locale must come back whole, not as its first part.
    std::setlocale(LC_TIME, "C");
    const std::string avantC = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(avantC.find(';'), std::string::npos);
    std::ostringstream trace;
    DXFHandler h(trace);
    // dxflib also takes a comma for the point.
    std::string texte = dxf::entites(dxf::ligne(1.5, -2.25, 1e-5, 1234567.5) + paire(0, "POINT") +
                                     paire(8, "0") + paire(10, "3,75") + paire(20, "0.125"));
    ResultatLecture r = lireTexteDXF(texte, "plan.dxf", h);
    EXPECT_EQ(r.issue, ResultatLecture::Reussie);
    ASSERT_EQ(h.getBlocRoot()->getLignes().size(), 1u);
    const Line& l = *h.getBlocRoot()->getLignes()[0];
    EXPECT_EQ(l.getX(), 1.5);
    EXPECT_EQ(l.getY(), -2.25);
    EXPECT_EQ(l.getX2(), 1e-5);
    EXPECT_EQ(l.getY2(), 1234567.5);
    ASSERT_EQ(h.getBlocRoot()->getPoints().size(), 1u);
    EXPECT_EQ(h.getBlocRoot()->getPoints()[0]->getX(), 3.75);
    EXPECT_EQ(h.getBlocRoot()->getPoints()[0]->getY(), 0.125);
    EXPECT_EQ(trace.str().substr(0, trace.str().find('\n')),
              "LINE:\t\t(1.5, -2.25) (1e-05, 1.23457e+06)");
    EXPECT_EQ(std::setlocale(LC_ALL, nullptr), avantC);
    EXPECT_EQ(std::locale().name(), "fr_FR.UTF-8");
}

TEST(LectureGrandeTaille, GrandsEtProfondsSansPlanterNiDeborder) {
    // A polyline of a million vertices, announced right.
    std::string s = paire(0, "LWPOLYLINE") + paire(8, "0") + paire(90, 1000000) + paire(70, 0);
    s.reserve(20000000);
    for (int i = 0; i < 1000000; ++i) s += "10\n1\n20\n2\n";
    std::ofstream nul("/dev/null");
    {
        DXFHandler h(nul);
        ResultatLecture r = lireTexteDXF(dxf::entites(s), "poly.dxf", h);
        EXPECT_EQ(r.issue, ResultatLecture::Reussie);
        ASSERT_EQ(h.getBlocRoot()->getPolylines().size(), 1u);
        EXPECT_EQ(h.getBlocRoot()->getPolylines()[0]->getPoints().size(), 1000000u);
    }
    // A block nested a thousand levels deep: reading it recurses nowhere.
    std::string b = dxf::bloc("B0", 0, 0, dxf::ligne(0, 0, 1, 1));
    for (int i = 1; i < 1000; ++i)
        b += dxf::bloc("B" + std::to_string(i), 0, 0,
                       dxf::insert("B" + std::to_string(i - 1), 1, 0));
    {
        DXFHandler h(nul);
        ResultatLecture r = lireTexteDXF(
            dxf::fichier(dxf::blocs(b) + dxf::section("ENTITIES", dxf::insert("B999", 0, 0))),
            "profond.dxf", h);
        EXPECT_EQ(r.issue, ResultatLecture::Reussie);
        int profondeur = 0;
        for (Block* k = h.getBlocRoot(); !k->getBlocs().empty();
             k = &k->getBlocs()[0]->getDefinition())
            ++profondeur;
        EXPECT_EQ(profondeur, 1000);
    }
}

TEST(PlanLecture, IssueEtStatutDeSortie) {
    DossierTemporaire d;
    struct Cas {
        std::string chemin;
        std::string erreurs;  // after the path
        bool abandon;
        int statut;
    };
    const std::string dessin = dxf::entites(dxf::ligne(0, 0, 1, 1));
    const Cas cas[] = {
        {d.ecrire("bon.dxf", dessin), "", false, 0},
        {d.chemin() + "/absent.dxf", " could not be opened.\n", false, 0},
        {d.ecrire("vide.dxf", ""), " est vide.\n", true, kStatutRefuse},
        {d.chemin(), " est un dossier, pas un fichier DXF.\n", true, kStatutRefuse},
        {d.ecrire("texte.dxf", "ceci\n"), " n'est pas un fichier DXF.\n", true, kStatutRefuse},
        {d.ecrire("coupe.dxf", dessin.substr(0, dessin.size() - 4)),
         " est incomplet : il s'arrete avant sa fin, seul son debut est lu.\n", false,
         kStatutIncomplet},
    };
    for (const Cas& k : cas) {
        SCOPED_TRACE(k.chemin);
        std::ostringstream sortie, erreurs;
        ResultatLecture lu;
        auto h = testReading(k.chemin.c_str(), lu, sortie, erreurs);
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(sortie.str().substr(0, sortie.str().find('\n') + 1),
                  "Reading file " + k.chemin + "...\n");
        EXPECT_EQ(erreurs.str(), k.erreurs.empty() ? "" : k.chemin + k.erreurs);
        EXPECT_EQ(lectureAbandonnee(lu), k.abandon);
        EXPECT_EQ(statutSortie(lu), k.statut);
    }
}

TEST(PlanProgramme, UnFichierRefuseTermineLeProgrammeSansEcran) {
    // The drawing is read before the toolkit starts: no display is needed to
    // refuse it, and the toolkit's own options are taken out first.
    DossierTemporaire d;
    const std::vector<std::string> env = {
        "DISPLAY",
        "LSAN_OPTIONS=suppressions=" + source("tests/lsan.supp") + ":print_suppressions=0"};
    struct Cas {
        std::vector<std::string> options;
        std::string chemin, message;
    };
    const Cas cas[] = {
        {{}, d.ecrire("vide.dxf", ""), " est vide.\n"},
        {{}, d.chemin(), " est un dossier, pas un fichier DXF.\n"},
        {{"--sync"}, d.ecrire("vide.dxf", ""), " est vide.\n"},
        {{"--sync", "--name", "x"},
         d.ecrire("texte.dxf", "ceci\n"),
         " n'est pas un fichier DXF.\n"},
    };
    for (const Cas& k : cas) {
        SCOPED_TRACE(k.chemin);
        std::vector<std::string> arguments{programme("tarsin-plan")};
        arguments.insert(arguments.end(), k.options.begin(), k.options.end());
        arguments.push_back(k.chemin);
        Execution e = executer(arguments, d.chemin(), env, 30);
        EXPECT_EQ(e.statut, kStatutRefuse);
        EXPECT_EQ(e.sortie, "Reading file " + k.chemin + "...\n");
        EXPECT_EQ(e.erreurs, k.chemin + k.message);
    }
}
