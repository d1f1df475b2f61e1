// The paint trace of a drawing: one line per object that a repaint paints,
// written by a pass of its own, and only when a trace is wanted.
//
// Block by block from the root, each block's entities are named kind by
// kind, each kind in the order read: "ligne", "arc", "polyline" with a
// "\tpolypoint" per vertex, "point", "cercle", "texte", "image"; then its
// insertions, each between its "bloc : " and "translation a x : " lines and
// their closing pair. The other kinds, the copies of a multiple insertion
// after the first, attributes and the blocks that dimensions show write
// nothing. Lines are indented by the nesting depth. What lies on a hidden
// layer or in paper space writes nothing; the trace does not depend on the
// view: what a view leaves out is named too.
//
// A definition inserted many times writes the same lines each time at the
// same depth: they are made once per pass and copied. The pass stops soon
// after the trace is cut (see Trace::limiter).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/trace.h"
#include "render/imbrication.h"

class TraceDessin : private Imbrication {
  public:
    TraceDessin(Trace& trace, OptionsPeinture options = {});

    using Imbrication::setCalquesMasques;

    // Writes the trace of one repaint of `dessin`.
    void ecrire(const Dessin& dessin);
    // A flag that stops the pass soon after it is set (null: never).
    void setAnnulation(const std::atomic<bool>* annulation) { annulation_ = annulation; }

    // How many passes this process has made (for the tests of what does
    // not trace).
    static std::uint64_t nombrePasses();

    // One step per kind of a block's lists, named after the painter whose
    // lines it writes.
    void drawBlocs(const std::vector<Insertion*>& blocs);
    void drawLignes(const std::vector<Line*>& lignes);
    void drawArcs(const std::vector<Arc*>& arcs);
    void drawPolylines(const std::vector<Polyline*>& polylines);
    void drawPoints(const std::vector<Point*>& points);
    void drawCercles(const std::vector<Circle*>& cercles);
    void drawTextes(const std::vector<Text*>& textes);
    void drawImages(const std::vector<Image*>& images);

  private:
    // The steps of the kinds that write nothing.
    template <class T>
    void draw(const std::vector<T*>&) {}
    void draw(const std::vector<Insertion*>& l) { drawBlocs(l); }
    void draw(const std::vector<Line*>& l) { drawLignes(l); }
    void draw(const std::vector<Arc*>& l) { drawArcs(l); }
    void draw(const std::vector<Polyline*>& l) { drawPolylines(l); }
    void draw(const std::vector<Point*>& l) { drawPoints(l); }
    void draw(const std::vector<Circle*>& l) { drawCercles(l); }
    void draw(const std::vector<Text*>& l) { drawTextes(l); }
    void draw(const std::vector<Image*>& l) { drawImages(l); }

    // The lines of the contents of `definition`, entered for `porteur`.
    void contenu(const Entity& porteur, const Block& definition);
    // One line per entity of `liste` that is seen.
    template <class T>
    void nommer(const std::vector<T*>& liste, const char* texte);
    void ligne(const char* texte, int decalage = 0);
    // Hands the lines written so far to the trace, now and then; whether
    // the trace is cut.
    bool fini();

    Trace& trace_;
    const std::atomic<bool>* annulation_ = nullptr;
    // Where lines go: the pass's own buffer, or a definition's lines being
    // made for the cache.
    std::string tampon_;
    std::string* sortie_ = &tampon_;
    std::string ligne_;  // the lines of an insertion being made
    bool coupee_ = false;

    // The lines of a definition's contents, by definition, depth and what
    // layer "0" stands for there.
    struct Cle {
        const Block* definition;
        int niveau;
        const Layer* calque;
        bool operator==(const Cle& c) const {
            return definition == c.definition && niveau == c.niveau && calque == c.calque;
        }
    };
    struct HachageCle {
        std::size_t operator()(const Cle& c) const;
    };
    std::unordered_map<Cle, std::string, HachageCle> cache_;
    std::size_t octetsCache_ = 0;
    // Whether an insertion was left out (a circle of blocks, or too deep)
    // since the lines being made began: such lines depend on the path that
    // led there, and are not kept.
    bool refus_ = false;
};
