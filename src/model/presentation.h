// Paper space: the layouts of a drawing (LAYOUT objects), each a sheet of
// paper with its own entities, and the viewports (VIEWPORT entities) through
// which a layout shows model space.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

#include "model/geometrie.h"
#include "model/objects.h"

// What the window lists first: model space.
constexpr const char* kNomObjet = "Objet";

// A viewport: a rectangle of the sheet that shows model space through its
// view, scaled by its height over the view's height and turned by its twist.
struct FenetreVue {
    // The paper-space block it lies in (the drawing's root for the layout
    // whose entities are in the file's ENTITIES section).
    const Block* bloc = nullptr;
    PointPlan centre{};               // on the sheet (10/20)
    double largeur = 0, hauteur = 0;  // on the sheet (40/41)
    PointPlan centreVue{};            // model point at the centre (12/22 plus the target 17/27)
    double hauteurVue = 0;            // model height shown (45)
    double torsion = 0;               // radians (51), model turned counter-clockwise on the sheet
    int id = 0;                       // 69; 1 is the sheet itself, never shown as a viewport
    bool allumee = true;              // 68 not 0 and bit 0x20000 of 90 clear
    std::vector<std::string> calquesGeles;  // names of the layers frozen in it
    std::string decoupe;                    // handle of its clipping outline (340), "" for none

    // Whether it shows anything: on, not the sheet, of a positive finite
    // size and a view that can be placed.
    bool montree() const;
    // Model space to paper space: the view centre on the viewport's centre,
    // scaled and turned.
    Matrice matrice() const;
    // Its rectangle on the sheet, corners counter-clockwise.
    std::vector<PointPlan> rectangle() const;
};

// One layout (LAYOUT object): its name and tab order, its sheet and the
// block that holds its paper-space entities.
struct Presentation {
    std::string nom;
    int ordre = 0;  // tab order (71)
    // The paper in millimetres (44/45), turned by the plot rotation (73),
    // its margins (40 left, 41 bottom, 42 right, 43 top), the paper-space
    // units a millimetre is worth (143/142) and where the printable area
    // starts (46/47, the origin of paper space lying there).
    double largeurPapier = 0, hauteurPapier = 0;
    double marges[4] = {0, 0, 0, 0};
    double unitesParMm = 1;
    PointPlan origine{};
    // The name of its block (through the BLOCK_RECORD its 330 names); null
    // block when the drawing has no block of that name.
    std::string nomBloc;
    const Block* bloc = nullptr;
    // Whether its entities are the paper-space ones of the drawing's root
    // (the block "*Paper_Space", whose BLOCK is empty).
    bool racine = false;
    // The insertion of its block where its walk starts.
    std::unique_ptr<Insertion> insertion;

    // The sheet in paper-space units (empty without a paper size), and the
    // area within the margins.
    Boite feuille() const;
    Boite zoneImprimable() const;
};

// The paper space of one drawing.
class EspacePapier {
  public:
    // The layouts in tab order (the file's order for equal ones).
    const std::vector<Presentation>& presentations() const { return presentations_; }
    void ajouter(Presentation p);
    // The layout of rank `rang` (counted from 1, model space being 0), or
    // null.
    const Presentation* presentation(std::size_t rang) const {
        return rang >= 1 && rang <= presentations_.size() ? &presentations_[rang - 1] : nullptr;
    }
    // "Objet", then the layouts' names.
    std::vector<std::string> noms() const;
    // The rank of a layout given by name or by its number in that list
    // ("0" is model space); -1 for neither.
    long chercher(const std::string& nomOuRang) const;

    const std::vector<FenetreVue>& fenetres() const { return fenetres_; }
    void ajouter(FenetreVue f) { fenetres_.push_back(std::move(f)); }

    // The outlines of paper space by handle, what viewports are clipped to:
    // polylines, circles, ellipses, splines.
    using Contour = std::variant<const Polyline*, const Circle*, const Ellipse*, const Spline*>;
    template <class T>
    void ajouterContour(const std::string& poignee, const T& e) {
        contours_[poignee] = &e;
    }
    // Null when no outline has that handle.
    const Contour* contour(const std::string& poignee) const;

  private:
    std::vector<Presentation> presentations_;
    std::vector<FenetreVue> fenetres_;
    std::unordered_map<std::string, Contour> contours_;
};

class Dessin;
// The box a layout is fitted to: its sheet and its viewports, or without a
// sheet, its viewports and its entities; model space's extents for rank 0
// or a rank the drawing has not.
Boite etenduePresentation(const Dessin& dessin, std::size_t rang);
// Computes the extents of the blocks only the layouts reach (see
// etendue(const Block&)), while the drawing is still its reader's alone.
void preparerPresentations(const Dessin& dessin);
