// The drawing model: plain classes that hold one drawing in memory.
//
// Objects refer to one another by raw pointers and never own what they point
// to; the whole model of a drawing is owned by its Dessin (dessin.h), which
// builds every object in place.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "model/genres.h"
#include "model/geometrie.h"

// A line type of one drawing. Objects point at their drawing's one copy of
// each name; the two questions the painters ask of it (is it the continuous
// one, is it the by-layer one) are answered once per name.
class TypeLigne {
  public:
    explicit TypeLigne(std::string nom);

    const std::string& getNom() const { return nom; }
    // "CONTINUOUS", without regard to case.
    bool continu() const { return continu_; }
    // "BYLAYER", without regard to case.
    bool parCalque() const { return parCalque_; }
    // "BYBLOCK", without regard to case.
    bool parBloc() const { return parBloc_; }

  private:
    std::string nom;
    bool continu_, parCalque_, parBloc_;
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

  protected:
    int couleur;
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

class Polyline : public Entity {
  public:
    Polyline(Layer& calque, const TypeLigne& typeLigne, int flags);
    void addPoint(Point& p) { points.push_back(&p); }
    std::vector<Point*>& getPoints() { return points; }
    const std::vector<Point*>& getPoints() const { return points; }
    int getFlags() const { return flags; }
    // Bit 1 of the flags: the last vertex joins the first.
    bool isFermee() const { return (flags & 1) != 0; }

  private:
    std::vector<Point*> points;
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

  private:
    std::string ref;
    std::string file;
    double width;
    double height;
};

class Block;

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
    // The transform from the definition's units to those of `parent`, the
    // space the insertion lies in: as DXF places an insertion, by its
    // insertion point, rotation and scales, minus the block's base point.
    Matrice placeeDans(const Matrice& parent) const;
    // The attributes (ATTRIB) that follow the insertion in the file: they lie
    // in the space of the insertion itself, not in its definition's.
    void addAttribut(Attribut& a) { attributs.push_back(&a); }
    const std::vector<Attribut*>& getAttributs() const { return attributs; }

  private:
    Block* definition;
    std::vector<Attribut*> attributs;
    double sx, sy;
    double angle;
};

// The kinds of entity that a block holds, in the order in which the walk
// paints them (and writes their trace lines): a new kind is added here,
// with its class above, its import callback and its case in the walk.
using GenresEntites =
    ListeGenres<Line, Arc, Polyline, Point, Circle, Text, MText, Attribut, Image, Insertion>;

// A block definition, or the root block of a drawing (the entities of the
// drawing itself). Its contents are one list per kind of entity, in the
// order read.
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
    template <class T>
    void ajouter(T& e) {
        liste<T>().push_back(&e);
    }
    // How many entities of every kind the block holds.
    std::size_t nombreEntites() const;

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
        Boite boite;
        double objets = 0;  // met when walking the contents, insertions unfolded
        enum Etat : std::uint8_t { Inconnue, EnCours, Connue } etat = Inconnue;
    };
    mutable CacheEtendue cacheEtendue;

  private:
    Layer* calque;
    double bpx = 0, bpy = 0;
    bool defini = false;
    ListesDe<GenresEntites> contenu;
};

inline const std::string& Insertion::nomRef() const { return definition->nomRef(); }

inline Matrice Insertion::placeeDans(const Matrice& parent) const {
    return parent.apres(Matrice::translation(x, y))
        .apres(Matrice::rotation(angle))
        .apres(Matrice::echelle(sx, sy))
        .apres(Matrice::translation(-definition->getBpx(), -definition->getBpy()));
}

// Byte-wise comparison of two names without regard to ASCII case.
bool memeNom(const std::string& a, const char* b);
