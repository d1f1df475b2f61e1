// Pictures painted on a thread of their own: the same pixels as a paint on
// the caller's thread, with one or several threads, and after a paint
// stopped half-way. Exports on a thread of their own, stopped or not.
#include <cairo.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <thread>

#include "import/dxfhandler.h"
#include "render/peintre.h"
#include "render/exportation.h"
#include "render/peinture_fond.h"
#include "import/lecture_fond.h"
#include "support/dxf.h"
#include "support/fichiers.h"

namespace {

// Many lines, arcs and insertions across the picture: long enough to paint
// that a paint can be stopped half-way.
std::string texteCharge() {
    std::string blocs = dxf::bloc("R", 0, 0, dxf::cercle(0, 0, 3) + dxf::ligne(-3, -3, 3, 3));
    std::string e;
    for (int i = 0; i < 20000; ++i) {
        const double x = (i * 37) % 400, y = (i * 91) % 300;
        e += dxf::ligne(x, y, x + 13, y + (i % 7), {"0", 1 + i % 6, i % 5 ? "" : "DASHED"});
        if (i % 10 == 0) e += dxf::insert("R", x, y, 1, 1, i % 90);
    }
    return dxf::fichier(dxf::blocs(blocs) + dxf::section("ENTITIES", e));
}

std::shared_ptr<const Dessin> dessinCharge() {
    std::ostringstream trace;
    DXFHandler h(trace);
    std::istringstream flux(texteCharge());
    EXPECT_TRUE(lireDXF(flux, h).utilisable());
    return h.getDessin();
}

Commande commande(const std::shared_ptr<const Dessin>& d) {
    Commande c;
    c.dessin = d;
    c.vue.echelle = 2;
    c.largeur = 800;
    c.hauteur = 600;
    return c;
}

// The same picture painted on this thread, in one band.
cairo_surface_t* reference(const Commande& c, std::string& trace) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, c.largeur, c.hauteur);
    auto cr = Cairo::RefPtr<Cairo::Context>(new Cairo::Context(cairo_create(s), true));
    cairo_set_source_rgb(cr->cobj(), 1, 1, 1);
    cairo_paint(cr->cobj());
    std::ostringstream texte;
    Trace t(texte);
    Peintre p(t);
    p.setFils(1);
    p.peindreMasques(cr, *c.dessin, c.vue, c.hauteur,
                     Zone{0, 0, double(c.largeur), double(c.hauteur)}, CalquesMasques());
    t.vider();
    trace = texte.str();
    cairo_surface_flush(s);
    return s;
}

bool memesPixels(cairo_surface_t* a, cairo_surface_t* b) {
    const int pas = cairo_image_surface_get_stride(a), h = cairo_image_surface_get_height(a);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < cairo_image_surface_get_width(a); ++x) {
            const auto pa = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(a) +
                                                                   y * pas)[x];
            const auto pb = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(b) +
                                                                   y * pas)[x];
            if ((pa & 0xFFFFFF) != (pb & 0xFFFFFF)) return false;
        }
    return true;
}

}  // namespace

TEST(PeintureDeFond, MemesPixelsUnOuPlusieursFilsEtApresUneAnnulation) {
    const auto d = dessinCharge();
    const Commande c = commande(d);
    std::string traceReference;
    cairo_surface_t* ref = reference(c, traceReference);

    for (int fils : {1, 2, 4}) {
        std::atomic<int> prets{0};
        PeintureDeFond atelier(OptionsPeinture{}, [&] { ++prets; });
        atelier.setFils(fils);
        atelier.demander(c);
        if (fils == 2) {
            // Stopped half-way by the same request asked again.
            while (atelier.progression() < 0.3 && atelier.enCours())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            atelier.demander(c);
        }
        atelier.attendre();
        const std::unique_ptr<Tableau> t = atelier.prendre();
        ASSERT_NE(t, nullptr) << fils;
        EXPECT_GE(prets, 1) << fils;
        EXPECT_TRUE(t->commande == c);
        EXPECT_TRUE(memesPixels(t->surface, ref)) << fils << " fils";
        EXPECT_TRUE(t->trace == traceReference) << fils;
        EXPECT_EQ(atelier.prendre(), nullptr);
    }
    cairo_surface_destroy(ref);
}

TEST(PeintureDeFond, UneAnnulationNeLaisseNiTableauNiTrace) {
    const auto d = dessinCharge();
    std::atomic<int> prets{0};
    PeintureDeFond atelier(OptionsPeinture{}, [&] { ++prets; });
    atelier.demander(commande(d));
    while (atelier.progression() < 0.1 && atelier.enCours())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    atelier.annuler();
    atelier.attendre();
    EXPECT_EQ(atelier.prendre(), nullptr);
    EXPECT_EQ(prets, 0);
    EXPECT_LT(atelier.progression(), 0);
}

TEST(PeintureDeFond, LectureDeFondPendantUnePeintureEnBandes) {
    // A file read twice on the reading thread (the first reading stopped by
    // the second) while a picture is painted band by band.
    DossierTemporaire dossier;
    const std::string chemin = dossier.ecrire("plan.dxf", texteCharge());
    std::ostringstream traceSeule;
    ASSERT_TRUE(lireDessin(chemin, traceSeule).dessin);
    Commande c = commande(dessinCharge());
    c.progressive = true;
    std::string traceReference;
    cairo_surface_t* ref = reference(c, traceReference);

    PeintureDeFond atelier(OptionsPeinture{}, [] {});
    atelier.demander(c);
    std::atomic<int> lues{0};
    LectureDeFond lecteur([&] { ++lues; });
    lecteur.lire(chemin);
    lecteur.lire(chemin);
    std::string trace;
    while (lecteur.enCours() && !lues) trace += lecteur.prendreTrace();
    std::unique_ptr<Lu> lu = lecteur.prendre();
    trace += lecteur.prendreTrace();
    ASSERT_NE(lu, nullptr);
    ASSERT_TRUE(lu->lecture.dessin);
    EXPECT_EQ(lu->lecture.dessin->getBlocRoot().getLignes().size(), 20000u);
    EXPECT_EQ(lues, 1);
    // The stopped reading's lines, then the whole reading's, in order.
    ASSERT_GE(trace.size(), traceSeule.str().size());
    EXPECT_TRUE(trace.substr(trace.size() - traceSeule.str().size()) == traceSeule.str());

    atelier.attendre();
    const std::unique_ptr<Tableau> t = atelier.prendre();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(atelier.prendreBandes().size(), PeintureDeFond::kBandesProgressives - 1u);
    EXPECT_TRUE(memesPixels(t->surface, ref));
    EXPECT_TRUE(t->trace == traceReference);
    cairo_surface_destroy(ref);
}

TEST(ExportationDeFond, ArreteeAvantOuPendantLEcritureNeLaisseAucunFichier) {
    DossierTemporaire dossier;
    const auto vide = [&] { return std::filesystem::is_empty(dossier.chemin()); };
    const auto d = dessinCharge();
    const auto exportation = [&](FormatImage f) {
        auto e = std::make_unique<Exportation>();
        e->dessin = d;
        e->vue = commande(d).vue;
        e->largeur = 800;
        e->hauteur = 600;
        e->format = f;
        e->chemin = dossier.chemin() + "/vue" + extensionFormat(f);
        return e;
    };
    // Stopped before its paint: said so, nothing written; carried through:
    // the whole share told, every byte counted.
    for (FormatImage f : {FormatImage::Png, FormatImage::Svg, FormatImage::Pdf})
        for (bool arret : {true, false}) {
            SCOPED_TRACE(extensionFormat(f));
            SuiviExport suivi;
            suivi.annulation = arret;
            Peintre peintre;
            const auto e = exportation(f);
            const auto r = exporter(peintre, *d, e->vue, 800, 600, {}, f, e->chemin, &suivi);
            EXPECT_EQ(r.annulee, arret);
            EXPECT_TRUE(r.ecrit != arret && r.erreur.empty());
            EXPECT_EQ(vide(), arret);
            if (arret) continue;
            EXPECT_EQ(suivi.part(), 1.0);
            EXPECT_EQ(suivi.octets, std::filesystem::file_size(e->chemin));
            std::filesystem::remove(e->chemin);
        }

    std::atomic<int> finies{0};
    ExportationDeFond fil([&] { ++finies; });
    // Stopped while the PDF, painted, is written: no outcome, no file.
    fil.demander(exportation(FormatImage::Pdf));
    bool ecriture = false;
    while (fil.enCours() && !ecriture) {
        fil.suivre([&](const SuiviExport& s) { ecriture = s.ecriture && s.octets > 0; });
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(ecriture);
    fil.annuler();
    fil.attendre();
    EXPECT_FALSE(fil.enCours());
    EXPECT_EQ(fil.prendre(), nullptr);
    EXPECT_TRUE(vide());

    // Carried through while the same drawing is painted: the file written.
    PeintureDeFond atelier(OptionsPeinture{}, [] {});
    atelier.demander(commande(d));
    fil.demander(exportation(FormatImage::Pdf));
    fil.attendre();
    atelier.attendre();
    const std::unique_ptr<Exportation> e = fil.prendre();
    ASSERT_NE(e, nullptr);
    EXPECT_TRUE(e->resultat.ecrit);
    EXPECT_EQ(finies, 1);
    EXPECT_EQ(lireFichier(e->chemin).rfind("%PDF", 0), 0u);
}
