#include "render/trace_dessin.h"

#include <atomic>

namespace {

std::atomic<std::uint64_t> passes{0};

}  // namespace

TraceDessin::TraceDessin(Trace& trace, OptionsPeinture options)
    : Imbrication(options), trace_(trace) {}

std::uint64_t TraceDessin::nombrePasses() { return passes.load(); }

void TraceDessin::ecrire(const Dessin& dessin) {
    passes.fetch_add(1);
    commencer(dessin);
    drawBlocs({const_cast<Insertion*>(racine_)});
}

void TraceDessin::ligne(const char* texte, int decalage) {
    trace_.tabulations(niveau + decalage);
    trace_ << texte;
    trace_.finLigne();
}

template <class T>
void TraceDessin::nommer(const std::vector<T*>& liste, const char* texte) {
    for (const T* e : liste) {
        if (fini()) return;
        if (!masque(*e)) ligne(texte);
    }
}

void TraceDessin::drawLignes(const std::vector<Line*>& l) { nommer(l, "ligne"); }
void TraceDessin::drawArcs(const std::vector<Arc*>& l) { nommer(l, "arc"); }
void TraceDessin::drawPoints(const std::vector<Point*>& l) { nommer(l, "point"); }
void TraceDessin::drawCercles(const std::vector<Circle*>& l) { nommer(l, "cercle"); }
void TraceDessin::drawTextes(const std::vector<Text*>& l) { nommer(l, "texte"); }

void TraceDessin::drawImages(const std::vector<Image*>& l) {
    if (options_.images) nommer(l, "image");
}

void TraceDessin::drawPolylines(const std::vector<Polyline*>& liste) {
    for (const Polyline* p : liste) {
        if (fini()) return;
        if (masque(*p)) continue;
        ligne("polyline");
        for (std::size_t i = 0; i < p->getPoints().size() && !fini(); ++i) ligne("polypoint", 1);
    }
}

void TraceDessin::drawBlocs(const std::vector<Insertion*>& liste) {
    for (const Insertion* b : liste) {
        if (fini()) return;
        if (masque(*b)) continue;
        const Block& def = b->getDefinition();
        if (admission(def) != Admission::Oui) continue;
        const std::string& nom = def.nomRef();
        const double x = b->getX(), y = b->getY();
        trace_.tabulations(niveau);
        trace_ << "bloc : " << nom;
        trace_.finLigne();
        trace_.tabulations(niveau);
        trace_ << "translation a x : " << x << ", y : " << y;
        trace_.finLigne();
        // The first copy of a multiple insertion stands for them all.
        entrer(*b, def);
        pourChaqueGenre(GenresEntites{}, [&](auto* genre) {
            using T = std::remove_pointer_t<decltype(genre)>;
            draw(def.liste<T>());
        });
        sortir();
        if (fini()) return;
        trace_.tabulations(niveau);
        trace_ << "translation a x : " << -x << ", y : " << -y;
        trace_.finLigne();
        trace_.tabulations(niveau);
        trace_ << "fin du bloc : " << nom;
        trace_.finLigne();
        trace_.finLigne();
    }
}
