#include "render/trace_dessin.h"

#include <atomic>
#include <functional>

namespace {

std::atomic<std::uint64_t> passes{0};

// Lines gathered before they go to the trace.
constexpr std::size_t kTampon = std::size_t{1} << 16;
// Definitions that unfold into more objects than this are not kept.
constexpr double kObjetsCache = 4096;
// The most bytes kept for all definitions of a pass.
constexpr std::size_t kOctetsCache = std::size_t{32} << 20;

}  // namespace

std::size_t TraceDessin::HachageCle::operator()(const Cle& c) const {
    return std::hash<const void*>()(c.definition) * 31 + std::hash<const void*>()(c.calque) * 7 +
           static_cast<std::size_t>(c.niveau);
}

TraceDessin::TraceDessin(Trace& trace, OptionsPeinture options)
    : Imbrication(options), trace_(trace) {}

std::uint64_t TraceDessin::nombrePasses() { return passes.load(); }

void TraceDessin::ecrire(const Dessin& dessin) {
    passes.fetch_add(1);
    commencer(dessin);
    tampon_.clear();
    sortie_ = &tampon_;
    coupee_ = trace_.coupee();
    cache_.clear();
    octetsCache_ = 0;
    drawBlocs({const_cast<Insertion*>(racine_)});
    trace_.lignes(tampon_);
    tampon_.clear();
    cache_.clear();
}

bool TraceDessin::fini() {
    if (sortie_ == &tampon_ && tampon_.size() >= kTampon) {
        trace_.lignes(tampon_);
        tampon_.clear();
        coupee_ = trace_.coupee() || (annulation_ && annulation_->load(std::memory_order_relaxed));
    }
    return coupee_;
}

void TraceDessin::ligne(const char* texte, int decalage) {
    Trace::ajouterTabulations(*sortie_, niveau + decalage);
    *sortie_ += texte;
    *sortie_ += '\n';
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
        for (std::size_t i = 0; i < p->getPoints().size(); ++i) ligne("polypoint", 1);
    }
}

void TraceDessin::contenu(const Entity& porteur, const Block& def) {
    entrer(porteur, def);
    const Cle cle{&def, niveau, calqueBloc_};
    // The root, and definitions that unfold into many objects, are
    // written where they stand.
    const bool gardable = &porteur != racine_ &&
                          def.cacheEtendue.etat == Block::CacheEtendue::Connue &&
                          def.cacheEtendue.objets <= kObjetsCache && octetsCache_ < kOctetsCache;
    const auto trouve = gardable ? cache_.find(cle) : cache_.end();
    if (trouve != cache_.end()) {
        *sortie_ += trouve->second;
    } else {
        std::string lignes;
        std::string* const avant = sortie_;
        const bool refusAvant = refus_;
        refus_ = false;
        if (gardable) sortie_ = &lignes;
        pourChaqueGenre(GenresEntites{}, [&](auto* genre) {
            using T = std::remove_pointer_t<decltype(genre)>;
            draw(def.liste<T>());
        });
        sortie_ = avant;
        const bool garder = gardable && !refus_;
        refus_ = refus_ || refusAvant;
        if (gardable) *sortie_ += lignes;
        if (garder) {
            octetsCache_ += lignes.size();
            cache_.emplace(cle, std::move(lignes));
        }
    }
    sortir();
}

void TraceDessin::drawBlocs(const std::vector<Insertion*>& liste) {
    for (const Insertion* b : liste) {
        if (fini()) return;
        if (masque(*b)) continue;
        const Block& def = b->getDefinition();
        if (admission(def) != Admission::Oui) {
            refus_ = true;
            continue;
        }
        const std::string& nom = def.nomRef();
        // Each pair of lines made in a buffer of its own, then added whole.
        std::string& s = *sortie_;
        std::string& l = ligne_;
        auto translation = [&](double x, double y) {
            Trace::ajouterTabulations(l, niveau);
            l += "translation a x : ";
            Trace::ajouterNombre(l, x);
            l += ", y : ";
            Trace::ajouterNombre(l, y);
            l += '\n';
        };
        l.clear();
        Trace::ajouterTabulations(l, niveau);
        (l += "bloc : ") += nom;
        l += '\n';
        translation(b->getX(), b->getY());
        s += l;
        // The first copy of a multiple insertion stands for them all.
        contenu(*b, def);
        l.clear();
        translation(-b->getX(), -b->getY());
        Trace::ajouterTabulations(l, niveau);
        (l += "fin du bloc : ") += nom;
        l += "\n\n";
        s += l;
    }
}
