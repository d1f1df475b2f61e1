// The drawing model: plain classes that hold one drawing in memory.
//
// Objects refer to one another by raw pointers and never own what they point
// to; the whole model of a drawing is owned by its Dessin (dessin.h), which
// builds every object in place.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "model/genres.h"
#include "model/geometrie.h"

// Turns the elements of a line type or of a hatch pattern line (dashes as
// positive lengths, gaps negative, dots 0) into lengths drawn and skipped in
// turn, starting with a drawn one, and how far into them the pattern starts.
// False, and nothing, for a pattern that draws a solid line.
bool tiretsDeElements(const std::vector<double>& elements, std::vector<double>& longueurs,
                      double& depart);

// A line type of one drawing. Objects point at their drawing's one copy of
// each name; the questions the painters ask of it (is it the continuous
// one, the by-layer one, how is it dashed) are answered once per name.
class TypeLigne {
  public:
    explicit TypeLigne(std::string nom);
    TypeLigne(const TypeLigne&) = delete;
    TypeLigne& operator=(const TypeLigne&) = delete;

    const std::string& getNom() const { return nom; }
    // "CONTINUOUS", without regard to case.
    bool continu() const { return continu_; }
    // "BYLAYER", without regard to case.
    bool parCalque() const { return parCalque_; }
    // "BYBLOCK", without regard to case.
    bool parBloc() const { return parBloc_; }

    // Whether the drawing's LTYPE table defines this name.
    bool isDefini() const { return defini_; }
    // The dashes of the LTYPE table: null when the name is not defined
    // there, or when its pattern skips nothing (a solid line).
    const MotifTirets* getMotif() const { return defini_ && motif_.nombre > 0 ? &motif_ : nullptr; }
    // Takes the elements of an LTYPE record: dashes (positive lengths), gaps
    // (negative) and dots (0), in drawing units.
    void setElements(const std::vector<double>& elements);

  private:
    std::string nom;
    bool continu_, parCalque_, parBloc_;
    bool defini_ = false;
    std::vector<double> longueurs_;
    MotifTirets motif_{nullptr, 0, 0};
};

class Object {
  public:
    Object(int couleur, const TypeLigne& typeLigne);

    int getCouleur() const { return couleur; }
    const std::string& getTypeLigne() const { return typeLigne->getNom(); }
    const TypeLigne& getType() const { return *typeLigne; }
    double degresToRadians(double degres) const;
    // True unless the line type is "CONTINUOUS" (compared without regard to case).
    bool isPointille() const;

    // The true colour (group 420), 0xRRGGBB, which then takes the place of
    // the colour index.
    bool hasCouleurVraie() const { return drapeaux_ & kCouleurVraie; }
    std::uint32_t getCouleurVraie() const { return rvb_; }
    void setCouleurVraie(std::uint32_t rvb) {
        rvb_ = rvb & 0xFFFFFF;
        drapeaux_ |= kCouleurVraie;
    }

  protected:
    // What else the file says of an object, kept beside the colour index.
    enum : std::uint8_t {
        kCouleurVraie = 1,
        kEspacePapier = 2,      // an entity of the paper space (group 67)
        kEchelleTypeLigne = 4,  // an entity with a line type scale of its own
        kEteint = 8,            // a layer off (negative colour) or frozen
        kCalqueZero = 16,       // the layer "0"
    };
    bool drapeau(std::uint8_t d) const { return (drapeaux_ & d) != 0; }
    void setDrapeau(std::uint8_t d) { drapeaux_ |= d; }

    int couleur;
    std::uint32_t rvb_ : 24;
    std::uint32_t drapeaux_ : 8;
    const TypeLigne* typeLigne;
};

class Table : public Object {
  public:
    Table(std::string nom, int couleur, const TypeLigne& typeLigne);
    std::string getNom() const { return nom; }
    const std::string& nomRef() const { return nom; }

  protected:
    std::string nom;
};

class Layer : public Table {
  public:
    Layer(std::string nom, int couleur, const TypeLigne& typeLigne);

    // Off (a negative colour) or frozen (bit 1 of the flags) in the file:
    // not shown unless the viewer's list says otherwise.
    bool isEteint() const { return drapeau(kEteint); }
    void setEteint() { setDrapeau(kEteint); }
    // The layer named "0": inside a block, what lies on it takes the layer
    // of the insertion that places the block.
    bool isZero() const { return drapeau(kCalqueZero); }

    // Its rank among the layers of its drawing (from 0), by which the
    // painters tell whether it is hidden.
    std::size_t getIndex() const { return index_; }
    void setIndex(std::size_t i) { index_ = i; }

  private:
    std::size_t index_ = 0;
};

class Entity : public Object {
  public:
    Entity(int couleur, Layer& calque, const TypeLigne& typeLigne, double x, double y);

    // The colour index: by layer (256) gives the layer's colour.
    int getCouleur() const { return couleur == 256 ? calque->getCouleur() : couleur; }
    // The colour index as the file gave it (256 by layer, 0 by block).
    int getCouleurBrute() const { return couleur; }
    Layer* getCalque() const { return calque; }
    double getX() const { return x; }
    double getY() const { return y; }
    // "BYLAYER" is resolved through the layer; names compare without regard to case.
    bool isPointille() const;

    // In the paper space (group 67): left out of the model's view.
    bool isEspacePapier() const { return drapeau(kEspacePapier); }
    void setEspacePapier() { setDrapeau(kEspacePapier); }
    // Whether the entity has a line type scale of its own (group 48), kept
    // by its drawing (Dessin::getEchelleTypeLigne).
    bool hasEchelleTypeLigne() const { return drapeau(kEchelleTypeLigne); }
    void setEchelleTypeLigne() { setDrapeau(kEchelleTypeLigne); }

  protected:
    double x;
    double y;
    Layer* calque;
};

class Point : public Entity {
  public:
    Point(int couleur, Layer& calque, const TypeLigne& typeLigne, double x, double y);
};

class Line : public Entity {
  public:
    Line(int couleur, Layer& calque, const TypeLigne& typeLigne, double x1, double y1, double x2,
         double y2);
    double getX2() const { return x2; }
    double getY2() const { return y2; }

  private:
    double x2;
    double y2;
};

class Circle : public Entity {
  public:
    Circle(int couleur, Layer& calque, const TypeLigne& typeLigne, double cx, double cy,
           double rayon);
    double getRayon() const { return rayon; }

  protected:
    double rayon;
};

class Arc : public Circle {
  public:
    // Angles in degrees; stored in radians.
    Arc(int couleur, Layer& calque, const TypeLigne& typeLigne, double cx, double cy, double rayon,
        double angle1, double angle2);
    double getAngle1() const { return angle1; }
    double getAngle2() const { return angle2; }

  private:
    double angle1;
    double angle2;
};

// What a polyline may hold besides its vertices: the bulges of its
// segments, the widths of its bands, and how the vertices of a mesh are
// joined. Made only for the polylines that need it.
struct DetailsPolyligne {
    // Per vertex, the bulge of the segment that leaves it.
    std::vector<double> renflements;
    // Per vertex, the widths where the segment that leaves it starts and
    // ends (two values a vertex).
    std::vector<double> largeurs;
    // A polygon mesh: `m` rows of `n` vertices.
    int m = 0, n = 0;
    // A polyface mesh: its faces, by vertex numbers counted from 1; a
    // negative number starts an edge that is not shown, 0 is no vertex.
    std::vector<std::array<int, 4>> faces;
};

class Polyline : public Entity {
  public:
    // The colour is the polyline's own (its vertices' do not count): 0, by
    // block, unless given.
    Polyline(Layer& calque, const TypeLigne& typeLigne, int flags, int couleur = 0);
    void addPoint(Point& p) { points.push_back(&p); }
    std::vector<Point*>& getPoints() { return points; }
    const std::vector<Point*>& getPoints() const { return points; }
    int getFlags() const { return flags; }
    // Bit 1 of the flags: the last vertex joins the first.
    bool isFermee() const { return (flags & 1) != 0; }
    // Bit 16: a polygon mesh (rows and columns of vertices); bit 32 closes
    // its rows.
    bool isMaillage() const { return (flags & 16) != 0; }
    bool isFermeeEnN() const { return (flags & 32) != 0; }
    // Bit 64: a polyface mesh (vertices, then faces naming them).
    bool isFacettes() const { return (flags & 64) != 0; }

    const DetailsPolyligne* getDetails() const { return details_; }
    DetailsPolyligne* getDetails() { return details_; }
    void setDetails(DetailsPolyligne& d) { details_ = &d; }
    // The bulge of the segment that leaves vertex `i` (0 when straight).
    double getRenflement(std::size_t i) const {
        return details_ && i < details_->renflements.size() ? details_->renflements[i] : 0;
    }

  private:
    std::vector<Point*> points;
    DetailsPolyligne* details_ = nullptr;
    int flags;
};

// How a text is placed, as DXF places it: TEXT, ATTRIB and ATTDEF use the
// single-line fields, MTEXT (attachement 1 to 9) the box fields.
struct DispositionTexte {
    // The second alignment point (11/21): not a number when the file has none.
    double x2 = std::numeric_limits<double>::quiet_NaN();
    double y2 = std::numeric_limits<double>::quiet_NaN();
    double angle = 0;           // rotation, radians
    double facteurLargeur = 1;  // width factor (41)
    double oblique = 0;         // oblique angle, radians (51)
    int alignH = 0;             // 72: left, center, right, aligned, middle, fit
    int alignV = 0;             // 73 (74 for attributes): baseline, bottom, middle, top
    int drapeaux = 0;           // 71: 2 backwards, 4 upside down
    // MTEXT only.
    int attachement = 0;      // 71: 1 top left ... 9 bottom right; 0 for single-line texts
    double largeurCadre = 0;  // 41: the wrapping width, 0 for none
    double interligne = 1;    // 44: line spacing factor

    bool isMultiligne() const { return attachement != 0; }
};

class Text : public Entity {
  public:
    // Note the order: height before width factor. The texts are UTF-8, with
    // their formatting codes (%%u, and MTEXT's \P, \H...) still in them.
    Text(int couleur, Layer& calque, const TypeLigne& typeLigne, double x, double y,
         std::string texte, std::string style, double taille, double xScaleFactor,
         const DispositionTexte& disposition = {});
    std::string getTexte() const { return texte; }
    const std::string& texteRef() const { return texte; }
    std::string getStyle() const { return style; }
    const std::string& styleRef() const { return style; }
    double getTaille() const { return taille; }
    double getXScaleFactor() const { return xScaleFactor; }
    const DispositionTexte& getDisposition() const { return disposition; }

  private:
    std::string texte;
    std::string style;
    double xScaleFactor;
    double taille;
    DispositionTexte disposition;
};

// A multi-line text (MTEXT): its height is that of its capitals, its
// disposition gives the box width, the attachment point, the rotation and
// the line spacing.
class MText : public Text {
  public:
    using Text::Text;
};

// An attribute: an ATTRIB of an insertion, or an ATTDEF of a block
// definition (whose text is the default value).
class Attribut : public Text {
  public:
    // `drapeaux` is group 70: 1 invisible, 2 constant.
    Attribut(int couleur, Layer& calque, const TypeLigne& typeLigne, double x, double y,
             std::string texte, std::string style, double taille,
             const DispositionTexte& disposition, int drapeaux, bool definition);
    // Whether it is painted: a visible ATTRIB, or a visible constant ATTDEF
    // (the others are only templates of the insertions' attributes).
    bool isPeint() const { return (drapeaux & 1) == 0 && (!definition || (drapeaux & 2) != 0); }

  private:
    int drapeaux;
    bool definition;
};

class Image : public Entity {
  public:
    Image(Layer& calque, const TypeLigne& continu, std::string ref, double x, double y,
          double width, double height);
    void setFile(std::string f) { file = std::move(f); }
    std::string getRef() const { return ref; }
    const std::string& refRef() const { return ref; }
    std::string getFile() const { return file; }
    const std::string& fileRef() const { return file; }
    double getWidth() const { return width; }
    double getHeight() const { return height; }
    // The size of one pixel along the picture's rows (u) and columns (v),
    // in drawing units: the insertion point is the lower-left corner, the
    // picture spans width u by height v.
    void setVecteurs(double ux, double uy, double vx, double vy);
    double getUx() const { return ux; }
    double getUy() const { return uy; }
    double getVx() const { return vx; }
    double getVy() const { return vy; }

  private:
    std::string ref;
    std::string file;
    double width;
    double height;
    double ux = 1, uy = 0, vx = 0, vy = 1;
};

class Block;
class IndexSpatial;

// A block insertion (INSERT): its own placement, layer, colour and line type,
// and the definition it places, shared with every other insertion of the
// same name. The definition is the Block of that name in the drawing, made
// when the name is first met, so that an insertion read before its
// definition sees it whole once the file has been read; a name never
// defined stays an empty definition.
class Insertion : public Entity {
  public:
    // The angle is in degrees.
    Insertion(Block& definition, int couleur, Layer& calque, const TypeLigne& typeLigne, double x,
              double y, double sx, double sy, double angle);

    Block& getDefinition() const { return *definition; }
    const std::string& nomRef() const;
    std::string getNom() const { return nomRef(); }
    double getSx() const { return sx; }
    double getSy() const { return sy; }
    // Rotation in radians.
    double getAngle() const { return angle; }

    // Extrusion (0, 0, -1): the insertion lies in a plane seen from below,
    // its x axis reversed.
    bool isMiroir() const { return miroir; }
    void setMiroir() { miroir = true; }
    // A multiple insertion (MINSERT): `colonnes` by `lignes` copies,
    // `ecartColonnes` and `ecartLignes` apart along the insertion's own
    // (rotated) axes.
    void setReseau(int colonnes, int lignes, double ecartColonnes, double ecartLignes);
    int getColonnes() const { return colonnes; }
    int getLignes() const { return lignes; }

    // The transform from the definition's units to those of `parent`, the
    // space the insertion lies in: as DXF places an insertion, by its
    // insertion point, rotation and scales, minus the block's base point;
    // for the copy of column `c` and row `r` of a multiple insertion.
    Matrice placeeDans(const Matrice& parent, int c = 0, int r = 0) const;
    // The attributes (ATTRIB) that follow the insertion in the file: they lie
    // in the space of the insertion itself, not in its definition's.
    void addAttribut(Attribut& a) { attributs.push_back(&a); }
    const std::vector<Attribut*>& getAttributs() const { return attributs; }

  private:
    Block* definition;
    std::vector<Attribut*> attributs;
    double sx, sy;
    double angle;
    double cos_, sin_;  // of the angle, for placeeDans
    bool miroir = false;
    int colonnes = 1, lignes = 1;
    double ecartColonnes = 0, ecartLignes = 0;
};

// An ellipse (ELLIPSE), whole or an arc of it: its centre is the reference
// point; a point of parameter t is centre + a cos t + b sin t, where a is the
// major axis (from the centre to its end) and b the minor one, the major
// turned a quarter turn about the extrusion and scaled by the ratio.
class Ellipse : public Entity {
  public:
    // `t1`, `t2` in radians; `direct` false for an extrusion (0, 0, -1),
    // where the parameter runs clockwise.
    Ellipse(int couleur, Layer& calque, const TypeLigne& typeLigne, double cx, double cy, double ax,
            double ay, double ratio, double t1, double t2, bool direct);
    double getAx() const { return ax; }
    double getAy() const { return ay; }
    double getBx() const { return bx; }
    double getBy() const { return by; }
    double getT1() const { return t1; }
    double getT2() const { return t2; }

  private:
    double ax, ay, bx, by, t1, t2;
};

// A spline (SPLINE): a rational B-spline of its control points, weights and
// knots; when it has no control points, the curve through its fit points.
class Spline : public Entity {
  public:
    Spline(int couleur, Layer& calque, const TypeLigne& typeLigne, int degre, int flags);
    int getDegre() const { return degre; }
    int getFlags() const { return flags; }
    // Bit 1: closed.
    bool isFermee() const { return (flags & 1) != 0; }
    void addControle(double x, double y, double poids) {
        controles.push_back({x, y});
        poids_.push_back(poids);
    }
    void addAjuste(double x, double y) { ajustes.push_back({x, y}); }
    void addNoeud(double t) { noeuds.push_back(t); }
    const std::vector<PointPlan>& getControles() const { return controles; }
    const std::vector<double>& getPoids() const { return poids_; }
    const std::vector<double>& getNoeuds() const { return noeuds; }
    const std::vector<PointPlan>& getAjustes() const { return ajustes; }

  private:
    int degre, flags;
    std::vector<PointPlan> controles;
    std::vector<double> poids_;
    std::vector<double> noeuds;
    std::vector<PointPlan> ajustes;
};

// A filled quadrilateral or triangle (SOLID, and TRACE, which DXF draws
// alike): its four corners in the file's order, where the outline runs
// 1-2-4-3 (a triangle repeats its third corner).
class Solid : public Entity {
  public:
    Solid(int couleur, Layer& calque, const TypeLigne& typeLigne, const PointPlan (&coins)[4]);
    const PointPlan& getCoin(int i) const { return coins[i]; }

  private:
    PointPlan coins[4];
};

// A three- or four-sided face (3DFACE), seen from above: its edges 1-2, 2-3,
// 3-4 and 4-1, but those whose bit (1, 2, 4, 8) is set in `invisibles`.
class Face3D : public Entity {
  public:
    Face3D(int couleur, Layer& calque, const TypeLigne& typeLigne, const PointPlan (&coins)[4],
           int invisibles);
    const PointPlan& getCoin(int i) const { return coins[i]; }
    bool isAreteVisible(int i) const { return (invisibles & (1 << i)) == 0; }

  private:
    PointPlan coins[4];
    int invisibles;
};

// A leader (LEADER): the line through its vertices, with an arrowhead of
// that size on the first one (none when 0); `courbe` when its path is a
// spline.
class Leader : public Entity {
  public:
    Leader(int couleur, Layer& calque, const TypeLigne& typeLigne, double fleche, bool courbe);
    void addSommet(double x, double y) { sommets.push_back({x, y}); }
    const std::vector<PointPlan>& getSommets() const { return sommets; }
    double getFleche() const { return fleche; }
    bool isCourbe() const { return courbe; }

  private:
    std::vector<PointPlan> sommets;
    double fleche;
    bool courbe;
};

// A multileader (MULTILEADER): leader lines from their arrowheads to a
// landing, and what they point out, a text or a block with its attributes,
// as the file's context data places them.
class MultiLeader : public Entity {
  public:
    // The lines that meet at one landing: each runs from its arrowhead's
    // point through its vertices to `dernier`, where the dog-leg starts, of
    // `longueurPalier` along `directionPalier`.
    struct Branche {
        std::vector<std::vector<PointPlan>> lignes;
        PointPlan dernier{0, 0};
        bool aDernier = false;
        PointPlan directionPalier{0, 0};
        double longueurPalier = 0;
    };

    // `couleurLignes`: the colour of the lines and arrowheads (0, by block,
    // is the multileader's own).
    MultiLeader(int couleur, Layer& calque, const TypeLigne& typeLigne, int couleurLignes);
    std::vector<Branche>& getBranches() { return branches; }
    const std::vector<Branche>& getBranches() const { return branches; }
    // The lines' colour, on the multileader's layer, in its line type.
    Entity& getTraits() { return traits; }
    const Entity& getTraits() const { return traits; }
    // How the lines are drawn (group 170): 0 not at all, 1 straight, 2 as
    // splines through their points.
    int getGenreLignes() const { return genreLignes; }
    void setGenreLignes(int g) { genreLignes = g; }
    // Whether the dog-leg is drawn (group 291).
    bool hasPalier() const { return palier; }
    void setPalier(bool p) { palier = p; }
    // The arrowheads: their size, and the block that draws them, at unit
    // size with their point at its base point and pointing along -x (null
    // for a closed filled triangle).
    double getTailleFleche() const { return tailleFleche; }
    const Block* getBlocFleche() const { return blocFleche; }
    void setFleche(double taille, const Block* bloc) {
        tailleFleche = taille;
        blocFleche = bloc;
    }
    // What the lines point out: a text, or a block placed as an insertion
    // with its attributes; null when the file gives none, or none that can
    // be read.
    const MText* getTexte() const { return texte; }
    void setTexte(const MText& t) { texte = &t; }
    const Insertion* getBloc() const { return bloc; }
    void setBloc(const Insertion& b) { bloc = &b; }

  private:
    std::vector<Branche> branches;
    Entity traits;
    int genreLignes = 1;
    bool palier = true;
    double tailleFleche = 0;
    const Block* blocFleche = nullptr;
    const MText* texte = nullptr;
    const Insertion* bloc = nullptr;
};

// A wipeout (WIPEOUT): the polygon it fills with the background, hiding
// what was painted below it.
class Wipeout : public Entity {
  public:
    Wipeout(Layer& calque, const TypeLigne& typeLigne, std::vector<PointPlan> contour);
    const std::vector<PointPlan>& getContour() const { return contour; }

  private:
    std::vector<PointPlan> contour;
};

// One family of parallel lines of a hatch pattern: lines at `angle`
// (radians) through the base point and every multiple of the offset from it,
// dashed from their base point by `tirets` (see tiretsDeElements; empty for
// solid lines).
struct LigneMotif {
    double angle = 0;
    double x = 0, y = 0;
    double dx = 0, dy = 0;
    std::vector<double> tirets;
    double depart = 0;
    // The same for the painters, set by Hatch::setMotif.
    MotifTirets motif{nullptr, 0, 0};
};

// One edge of a hatch boundary path as the file gives it (its group 72): a
// line (1) from `p1` to `p2`; an arc (2) of centre `p1`, radius `rayon`;
// an elliptic arc (3) of centre `p1`, its major axis `p2` from the centre
// and the ratio of its minor axis `rayon`; a spline (4), the curve of rank
// `spline` among its hatch's. Arcs run from angle `debut` to `fin`
// (degrees), counter-clockwise unless not `direct` (then given from 360
// down). In its path, it runs from its end to its start when `renversee`.
struct AreteContour {
    PointPlan p1{0, 0}, p2{0, 0};
    double rayon = 1, debut = 0, fin = 0;
    std::uint32_t spline = 0;
    std::uint8_t genre = 1;
    bool direct = true;
    bool renversee = false;
};

// The curve of a spline edge: its degree, knots, weights, control points
// and fit points as the file gives them.
struct SplineContour {
    int degre = 3;
    std::vector<double> noeuds, poids;
    std::vector<PointPlan> controles, ajustes;
};

// One closed boundary path of a hatch: `nombre` vertices of the hatch's
// (a polyline path, its last vertex joining its first), or `nombre` edges
// chained end to start (the last joining the first, straight when it does
// not reach it), from rank `premier` on.
struct CheminContour {
    std::uint32_t premier = 0, nombre = 0;
    bool aretes = false;
};

// A hatch (HATCH): boundary paths, filled whole or by the lines of its
// pattern, islands alternating (even-odd). The paths keep the edges of the
// file, curves whole: they are flattened by whoever reads them, for the
// precision it needs (model/hachures.h).
class Hatch : public Entity {
  public:
    Hatch(int couleur, Layer& calque, const TypeLigne& typeLigne, bool plein);
    bool isPlein() const { return plein; }
    const std::vector<CheminContour>& getChemins() const { return chemins; }
    const Sommet* sommets(const CheminContour& c) const { return sommets_.data() + c.premier; }
    const AreteContour* aretes(const CheminContour& c) const { return aretes_.data() + c.premier; }
    const SplineContour& getSpline(std::uint32_t rang) const { return splines[rang]; }
    // A path of vertices; one of edges, whose splines are added first
    // (ajouterSpline gives their rank).
    void ajouterContour(const std::vector<Sommet>& contour);
    void ajouterContour(const std::vector<AreteContour>& aretes);
    std::uint32_t ajouterSpline(SplineContour courbe);
    // Leaves out the last path added (one that flattens to a point; the
    // splines it names stay).
    void retirerDernierContour();
    // Mirrored about the y axis (an extrusion seen from below): the paths
    // are read with x turned over.
    bool isMiroir() const { return miroir; }
    void setMiroir() { miroir = true; }
    const std::vector<LigneMotif>& getMotif() const { return motif; }
    void setMotif(std::vector<LigneMotif> lignes);
    // Frees the room the reading left over in the lists.
    void ajuster();
    // The bytes the hatch holds, its lists included.
    std::size_t octets() const;

  private:
    std::vector<CheminContour> chemins;
    std::vector<Sommet> sommets_;
    std::vector<AreteContour> aretes_;
    std::vector<SplineContour> splines;
    std::vector<LigneMotif> motif;
    bool plein;
    bool miroir = false;
};

// A dimension (DIMENSION): what it shows is the block it names, drawn by the
// program that wrote the file, placed as it is.
class Dimension : public Entity {
  public:
    Dimension(Block& bloc, int couleur, Layer& calque, const TypeLigne& typeLigne);
    Block& getBloc() const { return *bloc; }

  private:
    Block* bloc;
};

// The kinds of entity that a block holds: a new kind is added here, with
// its class above, its import callback and its case in the walk. The paint
// trace names the traced kinds of a block in the order of this list (each
// kind's entities in the order read); the picture paints every entity in
// the block's order (Block::pourChaqueEntite), whatever its kind.
using GenresEntites =
    ListeGenres<Hatch, Solid, Wipeout, Line, Arc, Polyline, Point, Circle, Ellipse, Spline, Face3D,
                Leader, MultiLeader, Text, MText, Attribut, Image, Dimension, Insertion>;

// A block definition, or the root block of a drawing (the entities of the
// drawing itself). Its contents are one list per kind of entity, in the
// order read, and the order in which they are painted: that of the file,
// or the one the block's sort table gives.
class Block : public Table {
  public:
    Block(std::string nom, int couleur, Layer& calque, const TypeLigne& typeLigne, double bpx,
          double bpy);
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;

    // Called for each BLOCK record of this name: the base point is the
    // last one read; the entities that follow are appended.
    void setBasePoints(double bpx, double bpy);
    // Whether a BLOCK record of this name was read (not only insertions).
    bool isDefini() const { return defini; }
    void setDefini() { defini = true; }

    template <class T>
    std::vector<T*>& liste() {
        return std::get<std::vector<T*>>(contenu);
    }
    template <class T>
    const std::vector<T*>& liste() const {
        return std::get<std::vector<T*>>(contenu);
    }
    // Where an entity stands in the painting order: its kind (its rank in
    // GenresEntites) and its rank in that kind's list.
    class Place {
      public:
        static constexpr unsigned kBitsGenre = 8;
        static Place de(unsigned genre, std::size_t rang) {
            return Place(static_cast<std::uint64_t>(rang) << kBitsGenre | genre);
        }
        unsigned genre() const { return static_cast<unsigned>(code_ & ((1u << kBitsGenre) - 1)); }
        std::size_t rang() const { return static_cast<std::size_t>(code_ >> kBitsGenre); }
        bool operator==(const Place& p) const { return code_ == p.code_; }

      private:
        explicit Place(std::uint64_t code) : code_(code) {}
        std::uint64_t code_;
    };
    // Appends an entity, last in its kind's list and in the painting order.
    template <class T>
    void ajouter(T& e) {
        auto& l = liste<T>();
        ordre_.push_back(Place::de(RangGenre<T, GenresEntites>::valeur, l.size()));
        l.push_back(&e);
    }
    // How many entities of every kind the block holds.
    std::size_t nombreEntites() const;

    // Calls f(const T&) for every entity, in the painting order.
    template <class F>
    void pourChaqueEntite(F&& f) const {
        for (const Place p : ordre_) pourEntite(p, f);
    }
    // Calls f(const T&) for the entity at that place.
    template <class F>
    void pourEntite(Place p, F&& f) const {
        pourGenre(GenresEntites{}, p.genre(), [&](auto* genre) {
            using T = std::remove_pointer_t<decltype(genre)>;
            f(static_cast<const T&>(*liste<T>()[p.rang()]));
        });
    }
    // The painting order; `ordre` (a permutation of it, from a sort table)
    // replaces it.
    const std::vector<Place>& getOrdre() const { return ordre_; }
    void setOrdre(std::vector<Place> ordre) { ordre_ = std::move(ordre); }

    std::vector<Insertion*>& getBlocs() { return liste<Insertion>(); }
    std::vector<Line*>& getLignes() { return liste<Line>(); }
    std::vector<Arc*>& getArcs() { return liste<Arc>(); }
    std::vector<Point*>& getPoints() { return liste<Point>(); }
    std::vector<Circle*>& getCercles() { return liste<Circle>(); }
    std::vector<Text*>& getTextes() { return liste<Text>(); }
    std::vector<Image*>& getImages() { return liste<Image>(); }
    std::vector<Polyline*>& getPolylines() { return liste<Polyline>(); }

    Layer* getCalque() const { return calque; }
    double getBpx() const { return bpx; }
    double getBpy() const { return bpy; }

    // The bounding box of the contents in the block's own units, computed
    // once (etendue.h) when the drawing is complete.
    struct CacheEtendue {
        // What the file shows (without the layers off or frozen in it), and
        // all that can be painted (whatever layers are shown).
        Boite boite, boiteTout;
        double objets = 0;  // met when walking the contents, insertions unfolded
        // Whether some insertion within lies deeper than kProfondeurMax
        // levels below the block: what it holds counts nowhere.
        bool tropProfond = false;
        // Where its entities lie, for blocks of many (null for the others).
        std::shared_ptr<const IndexSpatial> index;
        // Whether the box is only that of points that bound nothing else
        // (centres of arcs and circles of no radius).
        bool ponctuelle = false;
        enum Etat : std::uint8_t { Inconnue, EnCours, Connue } etat = Inconnue;
    };
    mutable CacheEtendue cacheEtendue;

  private:
    Layer* calque;
    double bpx = 0, bpy = 0;
    bool defini = false;
    ListesDe<GenresEntites> contenu;
    std::vector<Place> ordre_;
};

static_assert(std::tuple_size_v<ListesDe<GenresEntites>> <= (1u << Block::Place::kBitsGenre),
              "a place in a block's order names its kind in kBitsGenre bits");

inline const std::string& Insertion::nomRef() const { return definition->nomRef(); }

inline Matrice Insertion::placeeDans(const Matrice& parent, int c, int r) const {
    // Translated to the insertion point, turned, moved to the copy, scaled,
    // less the base point: in one matrix.
    const double ux = c * ecartColonnes, uy = r * ecartLignes;
    const double bx = -definition->getBpx() * sx, by = -definition->getBpy() * sy;
    const Matrice locale{cos_ * sx,
                         sin_ * sx,
                         -sin_ * sy,
                         cos_ * sy,
                         x + cos_ * (ux + bx) - sin_ * (uy + by),
                         y + sin_ * (ux + bx) + cos_ * (uy + by)};
    return (miroir ? parent.apres(Matrice::echelle(-1, 1)) : parent).apres(locale);
}

// Byte-wise comparison of two names without regard to ASCII case.
bool memeNom(const std::string& a, const char* b);
