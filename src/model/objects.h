// The drawing model: plain classes that hold one drawing in memory.
//
// Objects refer to one another by raw pointers and never own what they point
// to; the whole model of a drawing is owned by a Reserve (reserve.h), which
// the import handler holds.
#pragma once

#include <string>
#include <vector>

#include "model/nom.h"

class Object {
  public:
    Object(int couleur, NomPartage typeLigne);

    int getCouleur() const { return couleur; }
    const std::string& getTypeLigne() const { return typeLigne.str(); }
    double degresToRadians(double degres) const;
    // True unless the line type is "CONTINUOUS" (compared without regard to case).
    bool isPointille() const;

  protected:
    int couleur;
    NomPartage typeLigne;
};

class Table : public Object {
  public:
    Table(std::string nom, int couleur, NomPartage typeLigne);
    std::string getNom() const { return nom; }
    const std::string& nomRef() const { return nom; }

  protected:
    std::string nom;
};

class Layer : public Table {
  public:
    Layer(std::string nom, int couleur, NomPartage typeLigne);
};

class Entity : public Object {
  public:
    // A colour of 256 (by layer) is replaced by the layer's colour.
    Entity(int couleur, Layer& calque, NomPartage typeLigne, double x, double y);

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
    Point(int couleur, Layer& calque, NomPartage typeLigne, double x, double y);
};

class Line : public Entity {
  public:
    Line(int couleur, Layer& calque, NomPartage typeLigne, double x1, double y1, double x2,
         double y2);
    double getX2() const { return x2; }
    double getY2() const { return y2; }

  private:
    double x2;
    double y2;
};

class Circle : public Entity {
  public:
    Circle(int couleur, Layer& calque, NomPartage typeLigne, double cx, double cy, double rayon);
    double getRayon() const { return rayon; }

  protected:
    double rayon;
};

class Arc : public Circle {
  public:
    // Angles in degrees; stored in radians.
    Arc(int couleur, Layer& calque, NomPartage typeLigne, double cx, double cy, double rayon,
        double angle1, double angle2);
    double getAngle1() const { return angle1; }
    double getAngle2() const { return angle2; }

  private:
    double angle1;
    double angle2;
};

class Polyline : public Entity {
  public:
    Polyline(Layer& calque, NomPartage typeLigne, int flags);
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

class Text : public Entity {
  public:
    // Note the order: height before width factor.
    Text(int couleur, Layer& calque, NomPartage typeLigne, double x, double y, std::string texte,
         std::string style, double taille, double xScaleFactor);
    std::string getTexte() const { return texte; }
    const std::string& texteRef() const { return texte; }
    std::string getStyle() const { return style; }
    double getTaille() const { return taille; }
    double getXScaleFactor() const { return xScaleFactor; }

  private:
    std::string texte;
    std::string style;
    double xScaleFactor;
    double taille;
};

class Image : public Entity {
  public:
    Image(Layer& calque, std::string ref, double x, double y, double width, double height);
    void setFile(std::string f) { file = std::move(f); }
    std::string getRef() const { return ref; }
    std::string getFile() const { return file; }
    double getWidth() const { return width; }
    double getHeight() const { return height; }

  private:
    std::string ref;
    std::string file;
    double width;
    double height;
};

// A block definition, a block instance (a copy of a definition placed by an
// INSERT), or the root block of a drawing. Copies are shallow: they hold the
// same entities and nested instances as the block they were copied from, in
// lists of their own.
class Block : public Table {
  public:
    // Definition or root block.
    Block(std::string nom, int couleur, Layer& calque, NomPartage typeLigne, double bpx,
          double bpy);
    // Instance of a block not defined yet; the angle is in degrees.
    Block(std::string nom, int couleur, Layer& calque, NomPartage typeLigne, double x, double y,
          double sx, double sy, double angle);
    Block(const Block&) = default;
    Block& operator=(const Block&) = default;

    // The angle is in degrees.
    void setInsert(Layer& calque, double x, double y, double sx, double sy, double angle);
    void setBasePoints(double bpx, double bpy);

    std::vector<Block*>& getBlocs() { return blocs; }
    std::vector<Line*>& getLignes() { return lignes; }
    std::vector<Arc*>& getArcs() { return arcs; }
    std::vector<Point*>& getPoints() { return points; }
    std::vector<Circle*>& getCercles() { return cercles; }
    std::vector<Text*>& getTextes() { return textes; }
    std::vector<Image*>& getImages() { return images; }
    std::vector<Polyline*>& getPolylines() { return polylines; }

    Layer* getCalque() const { return calque; }
    double getX() const { return x; }
    double getY() const { return y; }
    double getBpx() const { return bpx; }
    double getBpy() const { return bpy; }
    double getSx() const { return sx; }
    double getSy() const { return sy; }
    double getAngle() const { return angle; }

    void addBloc(Block& b) { blocs.push_back(&b); }
    void addLigne(Line& l) { lignes.push_back(&l); }
    void addArc(Arc& a) { arcs.push_back(&a); }
    void addPoint(Point& p) { points.push_back(&p); }
    void addCercle(Circle& c) { cercles.push_back(&c); }
    void addTexte(Text& t) { textes.push_back(&t); }
    void addImage(Image& i) { images.push_back(&i); }
    void addPolyline(Polyline& p) { polylines.push_back(&p); }

  private:
    Layer* calque;
    double bpx = 0, bpy = 0;
    double x = 0, y = 0;
    double sx = 1, sy = 1;
    double angle = 0;
    std::vector<Block*> blocs;
    std::vector<Line*> lignes;
    std::vector<Arc*> arcs;
    std::vector<Point*> points;
    std::vector<Circle*> cercles;
    std::vector<Text*> textes;
    std::vector<Image*> images;
    std::vector<Polyline*> polylines;
};

// Byte-wise comparison of two names without regard to ASCII case.
bool memeNom(const std::string& a, const char* b);
