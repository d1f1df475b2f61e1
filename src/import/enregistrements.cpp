#include "import/enregistrements.h"

#include <algorithm>
#include <cmath>

#include "model/courbes.h"

namespace {

// Curved edges of hatch boundaries are flattened within this part of their
// size: at the largest zoom that still shows a hatch whole, far below a
// pixel.
constexpr double kToleranceRelative = 1e-4;

double radians(double degres) { return degres * kPi / 180.0; }

// A cursor over the pairs of one record.
class Curseur {
  public:
    explicit Curseur(const std::vector<Paire>& p) : p_(p) {}
    bool fin() const { return i_ >= p_.size(); }
    int code() const { return fin() ? -1 : p_[i_].code; }
    int codeSuivant() const { return i_ + 1 < p_.size() ? p_[i_ + 1].code : -1; }
    double reel() const { return reelDxflib(p_[i_].valeur); }
    int entier() const { return entierDxflib(p_[i_].valeur); }
    void avancer() { ++i_; }
    // Passes the pairs up to the next one whose code is among `arrets`.
    template <std::size_t N>
    void passerJusqua(const int (&arrets)[N]) {
        while (!fin() &&
               std::find(std::begin(arrets), std::end(arrets), code()) == std::end(arrets))
            avancer();
    }

  private:
    const std::vector<Paire>& p_;
    std::size_t i_ = 0;
};

// Codes that end the boundary paths of a hatch (its style, pattern, seed
// points and gradient), and those that end one edge or path besides.
constexpr int kFinContours[] = {75, 76, 52, 41, 77, 78, 47, 98, 450};
bool finArete(int code) {
    return code == 72 || code == 92 || code == 97 || code < 0 ||
           std::find(std::begin(kFinContours), std::end(kFinContours), code) !=
               std::end(kFinContours);
}

bool fini(const Sommet& s) {
    return std::isfinite(s.x) && std::isfinite(s.y) && std::isfinite(s.renflement);
}

bool memePoint(const Sommet& a, const Sommet& b) {
    const double e = 1e-9 * (1 + std::max(std::fabs(a.x), std::fabs(a.y)));
    return std::fabs(a.x - b.x) <= e && std::fabs(a.y - b.y) <= e;
}

// Appends a vertex to a path; one where the last lies takes its place, so
// that edges meeting end to start make one path.
void ajouterSommet(std::vector<Sommet>& c, const Sommet& s) {
    if (!fini(s)) return;
    if (!c.empty() && memePoint(c.back(), s)) {
        c.back().renflement = s.renflement;
        return;
    }
    c.push_back(s);
}

void ajouterPoints(std::vector<Sommet>& c, const std::vector<PointPlan>& points) {
    for (const PointPlan& p : points) ajouterSommet(c, Sommet{p.x, p.y, 0});
}

// The counter-clockwise range [a1, a1 + balayage] (degrees) of an arc or
// ellipse edge: a clockwise edge (73 = 0) gives its angles from 360 down.
void plage(double debut, double fin, bool direct, double& a1, double& balayage) {
    a1 = direct ? debut : 360.0 - fin;
    const double a2 = direct ? fin : 360.0 - debut;
    balayage = std::fmod(a2 - a1, 360.0);
    if (!(balayage > 1e-9)) balayage += 360.0;
}

void ajouterArc(std::vector<Sommet>& c, double cx, double cy, double r, double debut, double fin,
                bool direct) {
    double a1, balayage;
    plage(debut, fin, direct, a1, balayage);
    if (!std::isfinite(a1) || !std::isfinite(balayage) || !std::isfinite(r)) return;
    // Pieces of at most a quarter turn, each a bulge.
    const int n = static_cast<int>(std::ceil(balayage / 90.0 - 1e-9));
    const double pas = balayage / n;
    const double renflement = std::tan(radians(pas) / 4) * (direct ? 1 : -1);
    for (int k = 0; k <= n; ++k) {
        const double a = radians(direct ? a1 + pas * k : a1 + balayage - pas * k);
        ajouterSommet(c,
                      Sommet{cx + r * std::cos(a), cy + r * std::sin(a), k < n ? renflement : 0});
    }
}

void ajouterEllipse(std::vector<Sommet>& c, const PointPlan& centre, const PointPlan& a,
                    double rapport, double debut, double fin, bool direct) {
    double a1, balayage;
    plage(debut, fin, direct, a1, balayage);
    // Angles to the ellipse's parameters.
    auto parametre = [&](double degres) {
        const double t = std::atan2(std::sin(radians(degres)) / rapport, std::cos(radians(degres)));
        return t;
    };
    double t1 = parametre(a1), t2 = parametre(a1 + balayage);
    if (balayage >= 360.0 - 1e-9)
        t2 = t1 + 2 * kPi;
    else
        while (t2 <= t1) t2 += 2 * kPi;
    const PointPlan b{-a.y * rapport, a.x * rapport};
    const double taille = std::hypot(a.x, a.y);
    std::vector<PointPlan> points;
    aplatirEllipse(centre, a, b, direct ? t1 : t2, direct ? t2 : t1, Matrice{},
                   std::max(taille * kToleranceRelative, 1e-12), points);
    ajouterPoints(c, points);
}

void lireSplineArete(Curseur& c, std::vector<Sommet>& contour) {
    int degre = 3;
    std::vector<double> noeuds, poids;
    std::vector<PointPlan> controles, ajustes;
    for (; !c.fin(); c.avancer()) {
        const int code = c.code();
        if (code == 97) {
            // The count of fit points, when they follow; otherwise the end
            // of the path.
            const int suivant = c.codeSuivant();
            if (suivant != 11 && suivant != 12 && suivant != 13) break;
            continue;
        }
        if (finArete(code)) break;
        switch (code) {
            case 94:
                degre = c.entier();
                break;
            case 40:
                noeuds.push_back(c.reel());
                break;
            case 10:
                controles.push_back({c.reel(), 0});
                break;
            case 20:
                if (!controles.empty()) controles.back().y = c.reel();
                break;
            case 42:
                poids.push_back(c.reel());
                break;
            case 11:
                ajustes.push_back({c.reel(), 0});
                break;
            case 21:
                if (!ajustes.empty()) ajustes.back().y = c.reel();
                break;
            default:
                break;
        }
    }
    Boite b;
    for (const auto* liste : {&controles, &ajustes})
        for (const PointPlan& p : *liste) b.ajouter(p.x, p.y);
    const double taille = std::max(b.largeur(), b.hauteur());
    std::vector<PointPlan> points;
    aplatirSpline(degre, false, noeuds, controles, poids, ajustes, Matrice{},
                  std::max(taille * kToleranceRelative, 1e-12), points);
    ajouterPoints(contour, points);
}

// One edge of a path of edges, its type read.
void lireArete(Curseur& c, int type, std::vector<Sommet>& contour) {
    if (type == 4) {
        lireSplineArete(c, contour);
        return;
    }
    double v[74] = {};
    v[73] = 1;  // counter-clockwise unless said otherwise
    v[40] = 1;
    for (; !c.fin() && !finArete(c.code()); c.avancer())
        if (c.code() >= 10 && c.code() <= 73) v[c.code()] = c.reel();
    switch (type) {
        case 1:
            ajouterSommet(contour, Sommet{v[10], v[20], 0});
            ajouterSommet(contour, Sommet{v[11], v[21], 0});
            break;
        case 2:
            ajouterArc(contour, v[10], v[20], v[40], v[50], v[51], v[73] != 0);
            break;
        case 3:
            ajouterEllipse(contour, {v[10], v[20]}, {v[11], v[21]}, v[40], v[50], v[51],
                           v[73] != 0);
            break;
        default:
            break;
    }
}

void lireContour(Curseur& c, int type, std::vector<Sommet>& contour) {
    if (type & 2) {
        // A polyline: vertices with their bulges.
        for (; !c.fin(); c.avancer()) {
            const int code = c.code();
            if (code == 10) {
                Sommet s;
                s.x = c.reel();
                contour.push_back(s);
            } else if (code == 20 && !contour.empty()) {
                contour.back().y = c.reel();
            } else if (code == 42 && !contour.empty()) {
                contour.back().renflement = c.reel();
            } else if (code != 72 && code != 73 && code != 93) {
                break;
            }
        }
        std::vector<Sommet> propre;
        for (const Sommet& s : contour) ajouterSommet(propre, s);
        contour.swap(propre);
        return;
    }
    if (c.code() == 93) c.avancer();
    while (c.code() == 72) {
        const int arete = c.entier();
        c.avancer();
        lireArete(c, arete, contour);
    }
}

}  // namespace

void lireHachure(const std::vector<Paire>& paires, Hatch& hachure) {
    Curseur c(paires);
    c.passerJusqua({91});
    if (!c.fin()) c.avancer();
    while (c.code() == 92) {
        const int type = c.entier();
        c.avancer();
        std::vector<Sommet> contour;
        lireContour(c, type, contour);
        // What follows the edges (the source objects) up to the next path.
        c.passerJusqua({92, 75, 76, 52, 41, 77, 78, 47, 98, 450});
        if (contour.size() > 1 && memePoint(contour.back(), contour.front())) contour.pop_back();
        if (contour.size() > 1) hachure.getContours().push_back(std::move(contour));
    }
    c.passerJusqua({78});
    if (c.fin()) return;
    c.avancer();
    std::vector<LigneMotif> lignes;
    while (c.code() == 53) {
        LigneMotif l;
        std::vector<double> elements;
        l.angle = radians(c.reel());
        for (c.avancer(); !c.fin(); c.avancer()) {
            const int code = c.code();
            if (code == 43)
                l.x = c.reel();
            else if (code == 44)
                l.y = c.reel();
            else if (code == 45)
                l.dx = c.reel();
            else if (code == 46)
                l.dy = c.reel();
            else if (code == 49)
                elements.push_back(c.reel());
            else if (code != 79)
                break;
        }
        tiretsDeElements(elements, l.tirets, l.depart);
        lignes.push_back(std::move(l));
    }
    hachure.setMotif(std::move(lignes));
}

std::vector<PointPlan> lireContourWipeout(const std::vector<Paire>& paires) {
    const PointPlan p{reelDe(paires, 10, 0), reelDe(paires, 20, 0)};
    const PointPlan u{reelDe(paires, 11, 1), reelDe(paires, 21, 0)};
    const PointPlan v{reelDe(paires, 12, 0), reelDe(paires, 22, 1)};
    const double largeur = reelDe(paires, 13, 1), hauteur = reelDe(paires, 23, 1);
    std::vector<PointPlan> pixels;
    for (const Paire& q : paires) {
        if (q.code == 14) pixels.push_back({reelDxflib(q.valeur), 0});
        if (q.code == 24 && !pixels.empty()) pixels.back().y = reelDxflib(q.valeur);
    }
    std::vector<PointPlan> contour;
    if (pixels.empty()) {
        // The whole picture.
        for (const auto& [i, j] : {std::pair{0.0, 0.0}, {1.0, 0.0}, {1.0, 1.0}, {0.0, 1.0}})
            contour.push_back({p.x + u.x * largeur * i + v.x * hauteur * j,
                               p.y + u.y * largeur * i + v.y * hauteur * j});
        return contour;
    }
    if (pixels.size() == 2 || entierDe(paires, 71, 2) == 1) {
        const PointPlan a = pixels.front(), b = pixels.back();
        pixels = {a, {b.x, a.y}, b, {a.x, b.y}};
    }
    // Pixel coordinates run right and down from the centre of the top-left
    // pixel.
    const PointPlan o{p.x + 0.5 * (u.x - v.x), p.y + 0.5 * (u.y - v.y)};
    for (const PointPlan& q : pixels)
        contour.push_back(
            {o.x + u.x * q.x + v.x * (hauteur - q.y), o.y + u.y * q.x + v.y * (hauteur - q.y)});
    if (contour.size() > 1 && contour.back().x == contour.front().x &&
        contour.back().y == contour.front().y)
        contour.pop_back();
    return contour;
}

double reelDe(const std::vector<Paire>& paires, int code, double defaut) {
    for (const Paire& p : paires)
        if (p.code == code) return reelDxflib(p.valeur);
    return defaut;
}

int entierDe(const std::vector<Paire>& paires, int code, int defaut) {
    for (const Paire& p : paires)
        if (p.code == code) return entierDxflib(p.valeur);
    return defaut;
}
