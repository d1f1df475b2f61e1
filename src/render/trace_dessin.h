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
// view: what a view leaves out is named too. The pass stops as soon as the
// trace is cut (see Trace::limiter).
#pragma once

#include <cstdint>
#include <vector>

#include "model/trace.h"
#include "render/imbrication.h"

class TraceDessin : private Imbrication {
  public:
    TraceDessin(Trace& trace, OptionsPeinture options = {});

    using Imbrication::setCalquesMasques;

    // Writes the trace of one repaint of `dessin`.
    void ecrire(const Dessin& dessin);

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

    // One line per entity of `liste` that is seen.
    template <class T>
    void nommer(const std::vector<T*>& liste, const char* texte);
    void ligne(const char* texte, int decalage = 0);
    bool fini() const { return trace_.coupee(); }

    Trace& trace_;
};
