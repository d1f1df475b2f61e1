#include "model/objects.h"

#include <algorithm>
#include <cmath>
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

bool tiretsDeElements(const std::vector<double>& elements, std::vector<double>& longueurs,
                      double& depart) {
    longueurs.clear();
    depart = 0;
    // Runs of drawn (dashes, dots) and skipped elements, each run one length.
    struct Element {
        bool trace;
        double longueur;
    };
    std::vector<Element> runs;
    double periode = 0;
    bool traces = false, sautes = false;
    for (double e : elements) {
        if (!std::isfinite(e)) continue;
        const Element el{e >= 0, std::fabs(e)};
        (el.trace ? traces : sautes) = true;
        periode += el.longueur;
        if (!runs.empty() && runs.back().trace == el.trace)
            runs.back().longueur += el.longueur;
        else
            runs.push_back(el);
    }
    // A pattern that never skips (or never draws) is a solid line.
    if (!traces || !sautes || !(periode > 0) || !std::isfinite(periode)) return false;
    // The pattern repeats: a last run like the first one joins it, and the
    // line then starts that far into the joined run.
    if (runs.size() > 1 && runs.front().trace == runs.back().trace) {
        depart = runs.back().longueur;
        runs.front().longueur += depart;
        runs.pop_back();
    }
    // Cairo's patterns start with a drawn length.
    if (!runs.front().trace) {
        depart = std::fmod(depart - runs.front().longueur + periode, periode);
        std::rotate(runs.begin(), runs.begin() + 1, runs.end());
    }
    for (const Element& e : runs) longueurs.push_back(e.longueur);
    return true;
}

void TypeLigne::setElements(const std::vector<double>& elements) {
    defini_ = true;
    double depart = 0;
    if (tiretsDeElements(elements, longueurs_, depart))
        motif_ = MotifTirets{longueurs_.data(), static_cast<int>(longueurs_.size()), depart};
    else
        motif_ = MotifTirets{nullptr, 0, 0};
}

Object::Object(int couleur, const TypeLigne& typeLigne)
    : couleur(couleur), rvb_(0), drapeaux_(0), typeLigne(&typeLigne) {}

double Object::degresToRadians(double degres) const { return degres * kPi / 180.0; }

bool Object::isPointille() const { return !typeLigne->continu(); }

Table::Table(std::string nom, int couleur, const TypeLigne& typeLigne)
    : Object(couleur, typeLigne), nom(std::move(nom)) {}

Layer::Layer(std::string nom, int couleur, const TypeLigne& typeLigne)
    : Table(std::move(nom), couleur, typeLigne) {
    if (this->nom == "0") setDrapeau(kCalqueZero);
}

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

Polyline::Polyline(Layer& calque, const TypeLigne& typeLigne, int flags, int couleur)
    : Entity(couleur, calque, typeLigne, 0, 0), flags(flags) {}

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

void Image::setVecteurs(double nux, double nuy, double nvx, double nvy) {
    ux = nux;
    uy = nuy;
    vx = nvx;
    vy = nvy;
}

Insertion::Insertion(Block& definition, int couleur, Layer& calque, const TypeLigne& typeLigne,
                     double x, double y, double sx, double sy, double angle)
    : Entity(couleur, calque, typeLigne, x, y),
      definition(&definition),
      sx(sx),
      sy(sy),
      angle(degresToRadians(angle)),
      cos_(std::cos(this->angle)),
      sin_(std::sin(this->angle)) {}

void Insertion::setReseau(int c, int r, double ec, double er) {
    colonnes = std::max(1, c);
    lignes = std::max(1, r);
    ecartColonnes = ec;
    ecartLignes = er;
}

Ellipse::Ellipse(int couleur, Layer& calque, const TypeLigne& typeLigne, double cx, double cy,
                 double ax, double ay, double ratio, double t1, double t2, bool direct)
    : Entity(couleur, calque, typeLigne, cx, cy),
      ax(ax),
      ay(ay),
      bx(-ay * ratio * (direct ? 1 : -1)),
      by(ax * ratio * (direct ? 1 : -1)),
      t1(t1),
      t2(t2) {}

Spline::Spline(int couleur, Layer& calque, const TypeLigne& typeLigne, int degre, int flags)
    : Entity(couleur, calque, typeLigne, 0, 0), degre(degre), flags(flags) {}

Solid::Solid(int couleur, Layer& calque, const TypeLigne& typeLigne, const PointPlan (&c)[4])
    : Entity(couleur, calque, typeLigne, c[0].x, c[0].y), coins{c[0], c[1], c[2], c[3]} {}

Face3D::Face3D(int couleur, Layer& calque, const TypeLigne& typeLigne, const PointPlan (&c)[4],
               int invisibles)
    : Entity(couleur, calque, typeLigne, c[0].x, c[0].y),
      coins{c[0], c[1], c[2], c[3]},
      invisibles(invisibles) {}

MultiLeader::MultiLeader(int couleur, Layer& calque, const TypeLigne& typeLigne, int couleurLignes)
    : Entity(couleur, calque, typeLigne, 0, 0), traits(couleurLignes, calque, typeLigne, 0, 0) {}

Leader::Leader(int couleur, Layer& calque, const TypeLigne& typeLigne, double fleche, bool courbe)
    : Entity(couleur, calque, typeLigne, 0, 0), fleche(fleche), courbe(courbe) {}

Wipeout::Wipeout(Layer& calque, const TypeLigne& typeLigne, std::vector<PointPlan> contour)
    : Entity(256, calque, typeLigne, 0, 0), contour(std::move(contour)) {}

Hatch::Hatch(int couleur, Layer& calque, const TypeLigne& typeLigne, bool plein)
    : Entity(couleur, calque, typeLigne, 0, 0), plein(plein) {}

void Hatch::setMotif(std::vector<LigneMotif> lignes) {
    motif = std::move(lignes);
    for (LigneMotif& l : motif)
        l.motif = MotifTirets{l.tirets.data(), static_cast<int>(l.tirets.size()), l.depart};
}

void Hatch::ajouterContour(const std::vector<Sommet>& contour) {
    chemins.push_back({static_cast<std::uint32_t>(sommets_.size()),
                       static_cast<std::uint32_t>(contour.size()), false});
    sommets_.insert(sommets_.end(), contour.begin(), contour.end());
}

void Hatch::ajouterContour(const std::vector<AreteContour>& aretes) {
    chemins.push_back({static_cast<std::uint32_t>(aretes_.size()),
                       static_cast<std::uint32_t>(aretes.size()), true});
    aretes_.insert(aretes_.end(), aretes.begin(), aretes.end());
}

std::uint32_t Hatch::ajouterSpline(SplineContour courbe) {
    splines.push_back(std::move(courbe));
    return static_cast<std::uint32_t>(splines.size() - 1);
}

void Hatch::retirerDernierContour() {
    if (chemins.empty()) return;
    const CheminContour c = chemins.back();
    chemins.pop_back();
    if (c.aretes)
        aretes_.resize(c.premier);
    else
        sommets_.resize(c.premier);
}

void Hatch::ajuster() {
    chemins.shrink_to_fit();
    sommets_.shrink_to_fit();
    aretes_.shrink_to_fit();
    splines.shrink_to_fit();
}

std::size_t Hatch::octets() const {
    std::size_t n =
        sizeof *this + chemins.capacity() * sizeof(CheminContour) +
        sommets_.capacity() * sizeof(Sommet) + aretes_.capacity() * sizeof(AreteContour) +
        splines.capacity() * sizeof(SplineContour) + motif.capacity() * sizeof(LigneMotif);
    for (const SplineContour& c : splines)
        n += (c.noeuds.capacity() + c.poids.capacity()) * sizeof(double) +
             (c.controles.capacity() + c.ajustes.capacity()) * sizeof(PointPlan);
    for (const LigneMotif& l : motif) n += l.tirets.capacity() * sizeof(double);
    return n;
}

Dimension::Dimension(Block& bloc, int couleur, Layer& calque, const TypeLigne& typeLigne)
    : Entity(couleur, calque, typeLigne, 0, 0), bloc(&bloc) {}

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
