#!/usr/bin/env python3
"""Writes the small drawings of the reference-picture tests, one DXF file
each, beside this script. Run it after changing a drawing here, then
scripts/references.sh to paint their pictures, and look at each new picture
before committing it.

A drawing may come with NAME.args: the options given to tarsin-render after
the default ones ("--size 240x240").
"""

import math
import os

ICI = os.path.dirname(os.path.abspath(__file__))


def nombre(v):
    if isinstance(v, int):
        return str(v)
    s = repr(float(v))
    return s[:-2] if s.endswith(".0") else s


def paire(code, valeur):
    return f"{code}\n{valeur if isinstance(valeur, str) else nombre(valeur)}\n"


def attr(calque="0", couleur=256, type_ligne=None):
    s = paire(8, calque)
    if type_ligne:
        s += paire(6, type_ligne)
    if couleur != 256:
        s += paire(62, couleur)
    return s


def section(nom, corps):
    return paire(0, "SECTION") + paire(2, nom) + corps + paire(0, "ENDSEC")


def fichier(tables="", blocs="", entites="", entete=""):
    s = ""
    if entete:
        s += section("HEADER", entete)
    if tables:
        s += section("TABLES", tables)
    if blocs:
        s += section("BLOCKS", blocs)
    return s + section("ENTITIES", entites) + paire(0, "EOF")


def calques(*liste):
    """(name, colour, line type[, flags]) each."""
    corps = ""
    for c in liste:
        nom, couleur, type_ligne = c[:3]
        flags = c[3] if len(c) > 3 else 0
        corps += (paire(0, "LAYER") + paire(2, nom) + paire(70, flags) + paire(62, couleur) +
                  paire(6, type_ligne))
    return paire(0, "TABLE") + paire(2, "LAYER") + corps + paire(0, "ENDTAB")


def ligne(x1, y1, x2, y2, **a):
    return (paire(0, "LINE") + attr(**a) + paire(10, x1) + paire(20, y1) + paire(30, 0.0) +
            paire(11, x2) + paire(21, y2) + paire(31, 0.0))


def cercle(x, y, r, **a):
    return paire(0, "CIRCLE") + attr(**a) + paire(10, x) + paire(20, y) + paire(40, r)


def arc(x, y, r, a1, a2, **a):
    return (paire(0, "ARC") + attr(**a) + paire(10, x) + paire(20, y) + paire(40, r) +
            paire(50, a1) + paire(51, a2))


def point(x, y, **a):
    return paire(0, "POINT") + attr(**a) + paire(10, x) + paire(20, y)


def texte(x, y, h, t, **a):
    return (paire(0, "TEXT") + attr(**a) + paire(10, x) + paire(20, y) + paire(40, h) +
            paire(1, t) + paire(7, "STANDARD"))


def texte_place(x, y, h, t, x2=None, y2=None, angle=0, largeur=1, oblique=0, ah=0, av=0,
                drapeaux=0, style="STANDARD", genre="TEXT", **a):
    """A TEXT (or ATTRIB, ATTDEF: genre) with every placement field."""
    s = (paire(0, genre) + attr(**a) + paire(10, x) + paire(20, y) + paire(30, 0.0) + paire(40, h) +
         paire(1, t) + paire(50, angle) + paire(41, largeur) + paire(51, oblique) + paire(7, style) +
         paire(71, drapeaux) + paire(72, ah))
    if x2 is not None:
        s += paire(11, x2) + paire(21, y2) + paire(31, 0.0)
    return s + paire(74 if genre != "TEXT" else 73, av)


def mtexte(x, y, h, t, largeur=0, attache=1, angle=0, interligne=1, style="STANDARD", **a):
    """An MTEXT; texts longer than 250 bytes go in pieces (group 3) as files hold them."""
    s = (paire(0, "MTEXT") + attr(**a) + paire(10, x) + paire(20, y) + paire(30, 0.0) + paire(40, h) +
         paire(41, largeur) + paire(71, attache) + paire(72, 1) + paire(44, interligne) +
         paire(7, style) + paire(50, angle))
    while len(t) > 250:
        s += paire(3, t[:250])
        t = t[250:]
    return s + paire(1, t)


def styles(*liste):
    """(name, font file) each."""
    corps = ""
    for nom, police in liste:
        corps += (paire(0, "STYLE") + paire(2, nom) + paire(70, 0) + paire(40, 0.0) + paire(41, 1.0) +
                  paire(50, 0.0) + paire(71, 0) + paire(42, 2.5) + paire(3, police) + paire(4, ""))
    return paire(0, "TABLE") + paire(2, "STYLE") + corps + paire(0, "ENDTAB")


def croix(x, y, r=2, **a):
    return ligne(x - r, y, x + r, y, **a) + ligne(x, y - r, x, y + r, **a)


def lwpolyline(points, ferme=False, **a):
    s = paire(0, "LWPOLYLINE") + attr(**a) + paire(90, len(points)) + paire(70, 1 if ferme else 0)
    for x, y in points:
        s += paire(10, x) + paire(20, y)
    return s


def polyline(sommets, ferme=False, **a):
    """sommets: (x, y, colour) each."""
    s = paire(0, "POLYLINE") + attr(**a) + paire(66, 1) + paire(70, 1 if ferme else 0)
    for x, y, c in sommets:
        s += paire(0, "VERTEX") + attr(couleur=c) + paire(10, x) + paire(20, y)
    return s + paire(0, "SEQEND")


def insert(nom, x, y, sx=1, sy=1, angle=0, **a):
    return (paire(0, "INSERT") + attr(**a) + paire(2, nom) + paire(10, x) + paire(20, y) +
            paire(41, sx) + paire(42, sy) + paire(50, angle))


def bloc(nom, bx, by, corps, **a):
    return (paire(0, "BLOCK") + attr(**a) + paire(2, nom) + paire(70, 0) + paire(10, bx) +
            paire(20, by) + paire(3, nom) + corps + paire(0, "ENDBLK") + attr(**a))


DESSINS = {}


def dessin(f):
    DESSINS[f.__name__.replace("_", "-")] = f
    return f


@dessin
def bloc_defini_apres():
    # A inserts B twice before B is defined: both show B whole.
    b = lwpolyline([(0, 0), (40, 0), (40, 40), (0, 40)], True, couleur=1) + cercle(20, 20, 15, couleur=5)
    return fichier(blocs=bloc("A", 0, 0, insert("B", 0, 0) + insert("B", 60, 0)) + bloc("B", 0, 0, b),
                   entites=insert("A", 10, 10) + insert("A", 10, 110))


@dessin
def parbloc_deux_niveaux():
    # B's entities are by block; B sits in A by block too: each insertion of
    # A gives them its colour and line type. At the top level by block is
    # black and solid.
    pb = dict(couleur=0, type_ligne="BYBLOCK")
    b = ligne(0, 0, 60, 0, **pb) + cercle(30, 25, 20, **pb) + arc(30, 25, 10, 0, 180, **pb)
    tables = calques(("0", 7, "CONTINUOUS"), ("bleu", 5, "DASHED"))
    entites = (insert("A", 10, 150, couleur=1, type_ligne="CONTINUOUS") +
               insert("A", 10, 80, couleur=3, type_ligne="DASHED") +
               insert("A", 10, 10, calque="bleu") +
               ligne(100, 10, 100, 200, **pb) + cercle(100, 105, 8, **pb))
    return fichier(tables, bloc("B", 0, 0, b) + bloc("A", 0, 0, insert("B", 0, 0, **pb)), entites)


@dessin
def definition_changee():
    # B is defined in two BLOCK records, the second adding a circle; every
    # insertion shows both parts, before, between and after them.
    return fichier(blocs=bloc("B", 0, 0, ligne(0, 0, 40, 40, couleur=1)) +
                   bloc("C", 0, 0, insert("B", 0, 0)) +
                   bloc("B", 0, 0, cercle(20, 20, 15, couleur=5)),
                   entites=insert("B", 10, 10) + insert("C", 60, 60) + insert("B", 110, 110))


@dessin
def insertions():
    # Rotation, scales, base point, a scale that differs per axis, a zero
    # scale (nothing painted), a mirror (negative scale).
    fleche = ligne(0, 0, 30, 0, couleur=1) + ligne(30, 0, 24, 4, couleur=1) + ligne(0, 0, 0, 15, couleur=3)
    return fichier(blocs=bloc("F", 0, 0, fleche) + bloc("G", 10, 0, fleche),
                   entites=insert("F", 20, 20) + insert("F", 100, 20, 1, 1, 90) +
                   insert("F", 20, 80, 2, 2, 0) + insert("G", 150, 80, 1, 1, 45) +
                   insert("F", 20, 160, 3, 1, 0) + insert("F", 150, 160, 0, 1, 0) +
                   insert("F", 200, 200, -1, 1, 0))


@dessin
def primitives():
    tables = calques(("0", 7, "CONTINUOUS"), ("tirets", 4, "DASHED"))
    e = (ligne(10, 10, 110, 10) + ligne(10, 20, 110, 20, calque="tirets") +
         ligne(10, 30, 110, 30, type_ligne="DASHED", couleur=6) + arc(170, 40, 30, 350, 10, couleur=1) +
         arc(170, 40, 25, 90, 270, couleur=3) + cercle(60, 80, 30, couleur=5) + point(130, 80, couleur=1) +
         lwpolyline([(10, 130), (60, 130), (60, 180)], True, couleur=2) +
         lwpolyline([(80, 130), (130, 130), (130, 180)], False, couleur=30) +
         polyline([(150, 130, 1), (220, 130, 3), (220, 200, 5)], True) +
         texte(10, 210, 12, "Tarsin", couleur=250))
    return fichier(tables, "", e)


@dessin
def couleurs():
    # The colour index table, in rows of 16; 7 paints black on the light
    # background, 0 (by block) at the top level too; by layer takes the
    # layer's, a layer without a colour counting as 7.
    tables = calques(("0", 7, "CONTINUOUS"), ("rouge", 1, "CONTINUOUS"))
    e = ""
    for i in range(256):
        x, y = 10 + (i % 16) * 13, 220 - (i // 16) * 13
        for k in range(3):
            e += ligne(x, y - k * 3, x + 10, y - k * 3, couleur=i)
    e += ligne(10, 5, 100, 5, calque="rouge") + ligne(110, 5, 200, 5)
    return fichier(tables, "", e)


@dessin
def grille_nationale():
    # At national-grid coordinates, zoomed in to about 100 pixels per unit
    # (its .args gives the window): crisp lines one hundredth of a unit
    # apart in the drawing land on their own pixels.
    x, y = 2600000.0, 1200000.0
    e = ""
    for i in range(12):
        d = i * 0.15
        e += ligne(x + d, y, x + d, y + 2, couleur=1 + i % 6)
    e += cercle(x + 0.9, y + 1, 0.5, couleur=5) + ligne(x, y + 1, x + 2, y + 1, couleur=3)
    return fichier(entites=e)


@dessin
def textes_alignements():
    # The nine alignments of a TEXT, each on its alignment point (a red
    # cross); then, each with its first point in green: a text rotated by 30
    # degrees, width factor 0.6 and oblique 20 degrees; aligned and fitted
    # texts between two points; backwards and upside-down texts.
    e = ""
    for i, ah in enumerate((0, 1, 2)):
        for j, av in enumerate((1, 2, 3)):
            x, y = 40 + 80 * i, 225 - 28 * j
            e += croix(x, y, couleur=1) + texte_place(0, 0, 8, "Hxg", x, y, ah=ah, av=av)
    e += croix(20, 110, couleur=3) + texte_place(20, 110, 10, "Tourne", angle=30, largeur=0.6,
                                                  oblique=20, couleur=5)
    e += croix(110, 130, couleur=3) + croix(230, 130, couleur=1)
    e += texte_place(110, 130, 10, "Aligne", 230, 130, ah=3)
    e += croix(110, 100, couleur=3) + croix(230, 100, couleur=1)
    e += texte_place(110, 100, 10, "Ajuste", 230, 100, ah=5)
    e += croix(40, 40, couleur=3) + texte_place(40, 40, 12, "Miroir", drapeaux=2, couleur=6)
    e += croix(60, 40, couleur=3) + texte_place(60, 40, 12, "Envers", drapeaux=4, couleur=6)
    e += croix(150, 40, couleur=3) + texte_place(150, 40, 12, "Milieu", 150, 40, ah=4, couleur=30)
    return fichier(entites=e)


@dessin
def fenetre():
    # The same drawing as "primitives", its window (.args) being the
    # circle's neighbourhood: aspect kept, centred.
    return primitives()


@dessin
def mtexte_codes():
    # An MTEXT wrapped to its box (drawn in grey) with paragraphs, heights,
    # a stacked fraction, braces, colours, underline and an unknown code that
    # must not show; another attached by its bottom right corner, rotated.
    t = (r"Premier paragraphe en \H1.5x;grand\H0.6667x; puis {\C1;rouge} et {\Lsouligne\l} "
         r"encore.\PFraction \S1/2; et \S3^4; {\fDejaVu Serif|b1|i0;Gras} \Zinconnu\P"
         r"\{accolades\} 50\~%%%")
    e = mtexte(10, 230, 8, t, largeur=200)
    e += ligne(10, 230, 210, 230, couleur=8) + ligne(10, 230, 10, 120, couleur=8)
    e += ligne(210, 230, 210, 120, couleur=8)
    e += croix(230, 20, couleur=1) + mtexte(230, 20, 7, r"Bas\Pdroite", attache=9, angle=15,
                                             couleur=5)
    e += croix(20, 60, couleur=1) + mtexte(20, 60, 7, r"Milieu\Pgauche", attache=4, couleur=3,
                                           interligne=2)
    return fichier(entites=e)


@dessin
def codes_controle():
    # The control codes of TEXT: diameter, degree, plus-minus, percent,
    # underline and overline toggles, a decimal code, a Unicode code.
    e = texte_place(10, 210, 14, "%%c50 %%p0.5 45%%d")
    e += texte_place(10, 170, 14, "100%%% %%uSous%%u %%oSur%%o")
    e += texte_place(10, 130, 14, "%%176 \\U+00E9t\\U+00E9")
    e += texte_place(10, 90, 14, "%%c%%u%%o%%c%%o%%u%%z")
    return fichier(entites=e)


@dessin
def attributs():
    # A block with a constant attribute (painted), a variable one (not
    # painted), and an insertion whose attributes follow it: one painted
    # where the file places it, one invisible; the insertion is rotated.
    defs = (ligne(0, 0, 60, 0) + ligne(0, 0, 0, 30) +
            texte_place(2, 20, 6, "CONST", genre="ATTDEF", couleur=1) + paire(2, "C") + paire(70, 2) +
            texte_place(2, 10, 6, "VARIABLE", genre="ATTDEF", couleur=1) + paire(2, "V") +
            paire(70, 0))
    e = (insert("P", 40, 100, angle=30) + paire(66, 1) +
         texte_place(40, 60, 8, "Valeur", genre="ATTRIB", couleur=5) + paire(2, "V") + paire(70, 0) +
         texte_place(40, 40, 8, "Cache", genre="ATTRIB") + paire(2, "X") + paire(70, 1) +
         paire(0, "SEQEND") + croix(40, 60, couleur=3))
    return fichier(blocs=bloc("P", 0, 0, defs), entites=e)


NOMS_ACCENTUES = ["Sûreté", "Électricité", "Château d'eau", "Ø 200 — 45 °"]


def accents(version, codage):
    entete = paire(9, "$ACADVER") + paire(1, version)
    if codage != "utf-8":
        entete += paire(9, "$DWGCODEPAGE") + paire(3, "ANSI_1252")
    e = ""
    for i, nom in enumerate(NOMS_ACCENTUES):
        e += texte_place(10, 200 - 45 * i, 16, nom)
    return fichier(entites=e, entete=entete).encode(codage)


@dessin
def accents_r12_cp1252():
    # Accented names in a drawing of AutoCAD R12, in code page 1252.
    return accents("AC1009", "cp1252")


@dessin
def accents_r2007_utf8():
    # The same names in a drawing of AutoCAD 2007, in UTF-8: the same picture.
    return accents("AC1021", "utf-8")


@dessin
def textes_hostiles():
    # Texts that cairo cannot paint as they are: 100,000 units high, 1e300
    # high, in an insertion stretched a million times on one axis, or
    # squashed to nothing, a noncharacter (U+FFFF, as a code and as bytes).
    # The lines painted after them (in an insertion, painted last) show.
    bloc_t = texte_place(0, 0, 5, "Etire")
    e = (texte_place(10, 10, 1e5, "Enorme") + texte_place(10, 20, 1e300, "Infini") +
         texte_place(10, 200, 12, r"Non\U+FFFFcaractere") + texte_place(10, 170, 12, "Octets\uffff") +
         insert("T", 10, 120, 1e6, 1) + insert("T", 10, 100, 1, 1e-12) + insert("L", 0, 0))
    lignes = ligne(10, 60, 230, 60, couleur=1) + ligne(120, 30, 120, 230, couleur=3)
    return fichier(blocs=bloc("T", 0, 0, bloc_t) + bloc("L", 0, 0, lignes), entites=e)


def ecrire():
    for nom, f in DESSINS.items():
        contenu = f()
        if isinstance(contenu, str):
            contenu = contenu.encode("utf-8")
        with open(os.path.join(ICI, nom + ".dxf"), "wb") as sortie:
            sortie.write(contenu)


if __name__ == "__main__":
    ecrire()
