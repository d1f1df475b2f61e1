#include "model/objects.h"

#include <cstring>
#include <utility>

bool memeNom(const std::string& a, const char* b) {
    const size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i) {
        unsigned char ca = a[i], cb = b[i];
        if (ca >= 'a' && ca <= 'z') ca -= 32;
        if (cb >= 'a' && cb <= 'z') cb -= 32;
        if (ca != cb) return false;
    }
    return true;
}

TypeLigne::TypeLigne(std::string n)
    : nom(std::move(n)),
      continu_(memeNom(nom, "CONTINUOUS")),
      parCalque_(memeNom(nom, "BYLAYER")),
      parBloc_(memeNom(nom, "BYBLOCK")) {}

Object::Object(int couleur, const TypeLigne& typeLigne) : couleur(couleur), typeLigne(&typeLigne) {}

double Object::degresToRadians(double degres) const { return degres * 3.141592653589793 / 180.0; }

bool Object::isPointille() const { return !typeLigne->continu(); }

Table::Table(std::string nom, int couleur, const TypeLigne& typeLigne)
    : Object(couleur, typeLigne), nom(std::move(nom)) {}

Layer::Layer(std::string nom, int couleur, const TypeLigne& typeLigne)
    : Table(std::move(nom), couleur, typeLigne) {}

Entity::Entity(int couleur, Layer& calque, const TypeLigne& typeLigne, double x, double y)
    : Object(couleur, typeLigne), x(x), y(y), calque(&calque) {}

bool Entity::isPointille() const {
    if (typeLigne->parCalque()) return calque->Object::isPointille();
    return Object::isPointille();
}

Point::Point(int couleur, Layer& calque, const TypeLigne& typeLigne, double x, double y)
    : Entity(couleur, calque, typeLigne, x, y) {}

Line::Line(int couleur, Layer& calque, const TypeLigne& typeLigne, double x1, double y1, double x2,
           double y2)
    : Entity(couleur, calque, typeLigne, x1, y1), x2(x2), y2(y2) {}

Circle::Circle(int couleur, Layer& calque, const TypeLigne& typeLigne, double cx, double cy,
               double rayon)
    : Entity(couleur, calque, typeLigne, cx, cy), rayon(rayon) {}

Arc::Arc(int couleur, Layer& calque, const TypeLigne& typeLigne, double cx, double cy, double rayon,
         double angle1, double angle2)
    : Circle(couleur, calque, typeLigne, cx, cy, rayon),
      angle1(degresToRadians(angle1)),
      angle2(degresToRadians(angle2)) {}

Polyline::Polyline(Layer& calque, const TypeLigne& typeLigne, int flags)
    : Entity(0, calque, typeLigne, 0, 0), flags(flags) {}

Text::Text(int couleur, Layer& calque, const TypeLigne& typeLigne, double x, double y,
           std::string texte, std::string style, double taille, double xScaleFactor,
           const DispositionTexte& disposition)
    : Entity(couleur, calque, typeLigne, x, y),
      texte(std::move(texte)),
      style(std::move(style)),
      xScaleFactor(xScaleFactor),
      taille(taille),
      disposition(disposition) {}

Attribut::Attribut(int couleur, Layer& calque, const TypeLigne& typeLigne, double x, double y,
                   std::string texte, std::string style, double taille,
                   const DispositionTexte& disposition, int drapeaux, bool definition)
    : Text(couleur, calque, typeLigne, x, y, std::move(texte), std::move(style), taille,
           disposition.facteurLargeur, disposition),
      drapeaux(drapeaux),
      definition(definition) {}

Image::Image(Layer& calque, const TypeLigne& continu, std::string ref, double x, double y,
             double width, double height)
    : Entity(256, calque, continu, x, y), ref(std::move(ref)), width(width), height(height) {}

Insertion::Insertion(Block& definition, int couleur, Layer& calque, const TypeLigne& typeLigne,
                     double x, double y, double sx, double sy, double angle)
    : Entity(couleur, calque, typeLigne, x, y),
      definition(&definition),
      sx(sx),
      sy(sy),
      angle(degresToRadians(angle)) {}

Block::Block(std::string nom, int couleur, Layer& calque, const TypeLigne& typeLigne, double bpx,
             double bpy)
    : Table(std::move(nom), couleur, typeLigne), calque(&calque), bpx(bpx), bpy(bpy) {}

void Block::setBasePoints(double nbpx, double nbpy) {
    bpx = nbpx;
    bpy = nbpy;
}

std::size_t Block::nombreEntites() const {
    std::size_t n = 0;
    pourChaqueGenre(GenresEntites{}, [&](auto* genre) {
        using T = std::remove_pointer_t<decltype(genre)>;
        n += liste<T>().size();
    });
    return n;
}
