// Measures of a drawing put into words: lengths, angles and areas in the
// drawing's units ($INSUNITS named: "mm", "m", …) with the decimals of its
// $LUPREC, French style (a decimal comma).
#pragma once

#include <string>
#include <vector>

#include "model/geometrie.h"

class Dessin;

struct Unites {
    int code = 0;       // $INSUNITS
    int decimales = 4;  // $LUPREC
};
Unites unitesDe(const Dessin& dessin);

// The short name of a unit of $INSUNITS ("mm", "m", "po"); "" for none or
// a code not known.
const char* nomUnite(int code);

// A number with that many decimals and a decimal comma ("12,5000"); "-"
// for what is not a finite number.
std::string nombreFrancais(double v, int decimales);
// A length, an area, an angle in degrees: "12,5000 mm", "3,0000 m²",
// "45,0000°".
std::string texteLongueur(double v, const Unites& u);
std::string texteAire(double v, const Unites& u);
std::string texteAngle(double degres, const Unites& u);
// A point: "12,5000 ; 3,0000".
std::string textePoint(const PointPlan& p, const Unites& u);

// The angle of the direction from a to b, in degrees from 0 to 360,
// counter-clockwise from the x axis.
double angleDegres(const PointPlan& a, const PointPlan& b);
// The area enclosed by a polygon (its last point joining its first), and
// its perimeter, that closing side included.
double airePolygone(const std::vector<PointPlan>& p);
double perimetrePolygone(const std::vector<PointPlan>& p);

// What a measure says: "Distance : 5,0000 mm   Angle : 36,8699°   ΔX :
// 4,0000 mm   ΔY : 3,0000 mm".
std::string texteDistance(const PointPlan& a, const PointPlan& b, const Unites& u);
// "Aire : 12,0000 mm²   Périmètre : 14,0000 mm   (4 points)".
std::string texteSurface(const std::vector<PointPlan>& p, const Unites& u);
