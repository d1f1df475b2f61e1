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
import struct
import zlib

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
    """sommets: (x, y, colour[, bulge]) each."""
    s = paire(0, "POLYLINE") + attr(**a) + paire(66, 1) + paire(70, 1 if ferme else 0)
    for x, y, c, *renflement in sommets:
        s += paire(0, "VERTEX") + attr(couleur=c) + paire(10, x) + paire(20, y)
        s += "".join(paire(42, r) for r in renflement)
    return s + paire(0, "SEQEND")


def insert(nom, x, y, sx=1, sy=1, angle=0, **a):
    return (paire(0, "INSERT") + attr(**a) + paire(2, nom) + paire(10, x) + paire(20, y) +
            paire(41, sx) + paire(42, sy) + paire(50, angle))


def enr(genre, *paires, **a):
    """Any record: its kind, its attributes, then (code, value) pairs."""
    return paire(0, genre) + attr(**a) + "".join(paire(c, v) for c, v in paires)


def points(code, pts):
    """The pairs of points (x, y) under `code` and `code` + 10."""
    return [p for x, y in pts for p in ((code, x), (code + 10, y))]


def entete(**variables):
    return section("HEADER", "".join(paire(9, "$" + k) + paire(40, v) for k, v in variables.items()))


def table(genre, corps):
    return paire(0, "TABLE") + paire(2, genre) + corps + paire(0, "ENDTAB")


def table_types_ligne(*liste):
    """(name, elements) each."""
    corps = ""
    for nom, elements in liste:
        corps += enr("LTYPE", (2, nom), (70, 0), (3, nom), (72, 65), (73, len(elements)),
                     (40, sum(abs(e) for e in elements)), *[(49, e) for e in elements])
    return table("LTYPE", corps)


def lw(sommets, flags=0, largeur=None, extrusion=(), **a):
    """sommets: (x, y[, bulge[, start width, end width]]) each."""
    p = [(90, len(sommets)), (70, flags)] + list(extrusion)
    if largeur is not None:
        p.append((43, largeur))
    for s in sommets:
        p += [(10, s[0]), (20, s[1])]
        if len(s) > 3:
            p += [(40, s[3]), (41, s[4])]
        if len(s) > 2 and s[2]:
            p.append((42, s[2]))
    return enr("LWPOLYLINE", *p, **a)


def hachure(chemins, plein=True, motif=(), **a):
    """chemins: lists of (x, y[, bulge]) vertices, or ("aretes", [...]) of
    edges (type, pairs); motif: (angle, x, y, dx, dy, dashes) lines."""
    p = [(2, "SOLID" if plein else "MOTIF"), (70, 1 if plein else 0), (71, 0), (91, len(chemins))]
    for c in chemins:
        if c[0] == "aretes":
            p += [(92, 1), (93, len(c[1]))]
            for genre, paires in c[1]:
                p += [(72, genre)] + paires
        else:
            p += [(92, 2), (72, 1), (73, 1), (93, len(c))]
            for s in c:
                p += [(10, s[0]), (20, s[1])] + ([(42, s[2])] if len(s) > 2 else [])
        p.append((97, 0))
    p += [(75, 0), (76, 1)]
    if motif:
        p.append((78, len(motif)))
        for angle, x, y, dx, dy, tirets in motif:
            p += [(53, angle), (43, x), (44, y), (45, dx), (46, dy), (79, len(tirets))]
            p += [(49, t) for t in tirets]
    p += [(98, 1), (10, 0.0), (20, 0.0)]
    return enr("HATCH", *p, **a)


def png(chemin, lignes):
    """A PNG of rows of (r, g, b) pixels."""
    brut = b"".join(b"\x00" + bytes(c for p in ligne for c in p) for ligne in lignes)

    def morceau(genre, d):
        return struct.pack(">I", len(d)) + genre + d + struct.pack(">I", zlib.crc32(genre + d))

    with open(chemin, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" +
                morceau(b"IHDR", struct.pack(">IIBBBBB", len(lignes[0]), len(lignes), 8, 2, 0, 0, 0)) +
                morceau(b"IDAT", zlib.compress(brut)) + morceau(b"IEND", b""))


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
    # The colour index table, in rows of 16; 7 and 255 paint black on the light
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
def calques_blocs():
    # B on layer "0" takes the layer of its insertion: red, blue dashed, the
    # insertion on the frozen layer and the line on the layer off hidden,
    # like the line in paper space; a 3 x 2 grid of B (a multiple
    # insertion); F and its mirror (extrusion 0, 0, -1), an arc, a circle and
    # a bulged polyline mirrored too.
    tables = calques(("0", 7, "CONTINUOUS"), ("rouge", 1, "CONTINUOUS"), ("bleu", 5, "DASHED"),
                     ("gele", 3, "CONTINUOUS", 1), ("eteint", -6, "CONTINUOUS"))
    b = lw([(0, 0), (20, 0), (20, 20), (0, 20)], 1) + cercle(10, 10, 6)
    fleche = ligne(0, 0, 30, 0, couleur=1) + ligne(30, 0, 24, 5, couleur=1) + ligne(0, 0, 0, 15, couleur=3)
    bas = [(210, 0.0), (220, 0.0), (230, -1.0)]
    e = (insert("B", 10, 200, calque="rouge") + insert("B", 40, 200, calque="bleu") +
         insert("B", 70, 200, calque="gele") + insert("B", 100, 200) +
         ligne(130, 200, 220, 220, calque="eteint") +
         enr("LINE", (67, 1), (10, 130), (20, 220), (11, 220), (21, 200)) +
         enr("INSERT", (2, "B"), (10, 10), (20, 110), (70, 3), (71, 2), (44, 30), (45, 35), calque="rouge") +
         insert("F", 150, 120) + enr("INSERT", (2, "F"), (10, -140), (20, 60), *bas) +
         arc(150, 30, 25, 0, 90, couleur=5) + enr("ARC", (10, -100), (20, 30), (40, 25), (50, 0), (51, 90), *bas, couleur=6) +
         cercle(180, 30, 5, couleur=5) + enr("CIRCLE", (10, -70), (20, 30), (40, 5), *bas, couleur=6) +
         lw([(190, 60, 0.5), (220, 60), (220, 80)], couleur=5) +
         lw([(-30, 60, 0.5), (-60, 60), (-60, 80)], couleur=6, extrusion=bas))
    return fichier(tables, bloc("B", 0, 0, b) + bloc("F", 0, 0, fleche), e)


@dessin
def polylignes():
    # Bulges: an open LWPOLYLINE, a closed one, a closed POLYLINE; widths:
    # constant, tapering, on a bulge; a 3 x 4 polygon mesh and a polyface
    # mesh of two faces, one edge not shown.
    e = (lw([(10, 200, 1), (40, 200, -0.5), (70, 200)], couleur=1) +
         lw([(90, 190, 0.4), (130, 190, 0.4), (130, 220, 0.4), (90, 220, 0.4)], 1, couleur=3) +
         polyline([(150, 190, 5, 0.6), (200, 190, 5), (200, 225, 5)], True) +
         lw([(10, 130), (60, 160), (110, 130)], largeur=6, couleur=5) +
         lw([(130, 130, 0, 14, 0), (180, 130, 0, 0, 0), (220, 130)], couleur=1) +
         lw([(10, 90, 1, 2, 8), (60, 90)], couleur=6))
    maillage = enr("POLYLINE", (66, 1), (70, 16), (71, 3), (72, 4), (10, 0.0), (20, 0.0), (30, 0.0))
    for i in range(3):
        for j in range(4):
            maillage += enr("VERTEX", (10, 100 + i * 20 + j * 4), (20, 10 + j * 15), (30, 0.0), (70, 64))
    maillage += enr("SEQEND")
    faces = enr("POLYLINE", (66, 1), (70, 64), (71, 5), (72, 2), (10, 0.0), (20, 0.0), (30, 0.0), couleur=30)
    for x, y in [(170, 10), (210, 10), (210, 60), (170, 60), (230, 35)]:
        faces += enr("VERTEX", (10, x), (20, y), (30, 0.0), (70, 192))
    faces += enr("VERTEX", (10, 0.0), (20, 0.0), (30, 0.0), (70, 128), (71, 1), (72, 2), (73, 3), (74, 4))
    faces += enr("VERTEX", (10, 0.0), (20, 0.0), (30, 0.0), (70, 128), (71, -2), (72, 5), (73, 3))
    faces += enr("SEQEND")
    return fichier("", "", e + maillage + faces)


@dessin
def courbes():
    # Ellipses: whole, turned, an arc of one; splines: by control points,
    # a rational quarter circle, through fit points; a leader with its
    # arrowhead, a straight one and one along a spline.
    e = (enr("ELLIPSE", (10, 50), (20, 200), (11, 40), (21, 0), (40, 0.5), (41, 0), (42, 2 * math.pi), couleur=1) +
         enr("ELLIPSE", (10, 150), (20, 200), (11, 20), (21, 20), (40, 0.4), (41, 0), (42, 2 * math.pi), couleur=3) +
         enr("ELLIPSE", (10, 210), (20, 190), (11, 0), (21, 25), (40, 0.5), (41, 0), (42, math.pi), couleur=5) +
         enr("SPLINE", (70, 8), (71, 3), (72, 9), (73, 5), (74, 0), *[(40, k) for k in (0, 0, 0, 0, 1, 2, 2, 2, 2)],
             *points(10, [(10, 100), (40, 150), (70, 100), (100, 150), (130, 100)]), couleur=6) +
         enr("SPLINE", (70, 12), (71, 2), (72, 6), (73, 3), (74, 0), *[(40, k) for k in (0, 0, 0, 1, 1, 1)],
             (10, 200), (20, 100), (41, 1), (10, 200), (20, 150), (41, math.sqrt(0.5)), (10, 150), (20, 150), (41, 1),
             couleur=30) +
         enr("SPLINE", (70, 8), (71, 3), (72, 0), (73, 0), (74, 4),
             *points(11, [(10, 60), (50, 30), (90, 70), (130, 20)]), couleur=1))
    chef = (enr("LEADER", (3, "STANDARD"), (71, 1), (72, 0), (76, 3), *points(10, [(150, 40), (180, 70), (220, 70)])) +
            enr("LEADER", (3, "STANDARD"), (71, 1), (72, 1), (76, 4),
                *points(10, [(150, 10), (170, 25), (195, 15), (225, 30)]), couleur=5))
    return entete(DIMASZ=12.0) + fichier("", "", e + chef)


@dessin
def remplissages():
    # SOLID (outline 1-2-4-3), a triangle, TRACE, a 3DFACE with an edge
    # not shown; a filled hatch with an island, one of edges (line, arc,
    # ellipse arc, spline), a hatch of two crossing line families, one
    # dashed, over a bulged boundary, and a wipeout over it; a wipeout in a
    # block hides the line below its insertion.
    e = (enr("SOLID", *points(10, [(10, 190)]), *points(11, [(50, 190)]), *points(12, [(10, 220)]),
             *points(13, [(50, 220)]), couleur=1) +
         enr("SOLID", (10, 60), (20, 190), (11, 100), (21, 190), (12, 80), (22, 220), (13, 80), (23, 220), couleur=3) +
         enr("TRACE", (10, 110), (20, 190), (11, 150), (21, 200), (12, 110), (22, 205), (13, 150), (23, 215), couleur=5) +
         enr("3DFACE", (10, 170), (20, 190), (30, 0.0), (11, 220), (21, 190), (31, 0.0), (12, 220), (22, 225),
             (32, 0.0), (13, 170), (23, 225), (33, 0.0), (70, 2)) +
         hachure([[(10, 100), (100, 100), (100, 170), (10, 170)], [(30, 120, 0.5), (80, 120), (80, 150), (30, 150)]],
                 couleur=30) +
         hachure([("aretes", [(1, [(10, 120), (20, 100), (11, 220), (21, 100)]),
                              (2, [(10, 220), (20, 135), (40, 35), (50, 270), (51, 90), (73, 1)]),
                              (3, [(10, 170), (20, 170), (11, 50), (21, 0), (40, 0.3), (50, 0), (51, 180), (73, 0)]),
                              (4, [(94, 3), (73, 0), (74, 0), (95, 8), (96, 4)] +
                                  [(40, k) for k in (0, 0, 0, 0, 1, 1, 1, 1)] +
                                  points(10, [(120, 170), (100, 150), (140, 120), (120, 100)]))])],
                 couleur=4) +
         hachure([[(10, 10, 0.3), (110, 10, 0.3), (110, 80), (10, 80)]], False,
                 [(45, 0, 0, -4, 4, []), (135, 0, 0, 4, 4, [4, -2, 0, -2])], couleur=6) +
         enr("WIPEOUT", (10, 40), (20, 30), (11, 40), (21, 0), (12, 0), (22, 25), (13, 1), (23, 1), (71, 1), (91, 2),
             (14, -0.5), (24, -0.5), (14, 0.5), (24, 0.5)) +
         ligne(130, 10, 220, 80, couleur=1) + insert("W", 0, 0))
    w = enr("WIPEOUT", (10, 150), (20, 20), (11, 50), (21, 0), (12, 0), (22, 30), (13, 1), (23, 1))
    return fichier("", bloc("W", 0, 0, w), e)


@dessin
def hachure_dense():
    # Lines 0.01 apart over 200 units: more than the bound, the boundary
    # alone is drawn.
    return fichier("", "", hachure([[(20, 20), (220, 20), (120, 200)]], False,
                                    [(0, 0, 0, 0, 0.01, [])], couleur=1))


@dessin
def cotations():
    # A dimension shows its block (*D1), placed as it is; its by-block lines
    # and solids take the dimension's colour.
    parbloc = dict(couleur=0)
    d1 = (ligne(20, 50, 20, 120, **parbloc) + ligne(200, 50, 200, 120, **parbloc) +
          ligne(20, 110, 200, 110, **parbloc) +
          enr("SOLID", (10, 20), (20, 110), (11, 35), (21, 105), (12, 35), (22, 115), (13, 35), (23, 115), **parbloc) +
          enr("SOLID", (10, 200), (20, 110), (11, 185), (21, 105), (12, 185), (22, 115), (13, 185), (23, 115), **parbloc) +
          ligne(20, 30, 200, 30, couleur=3))
    e = (enr("DIMENSION", (2, "*D1"), (10, 200), (20, 110), (70, 32), (1, ""), (13, 20), (23, 50), (14, 200), (24, 50),
             couleur=1) + ligne(20, 50, 200, 50))
    return fichier("", bloc("*D1", 0, 0, d1), e)


@dessin
def types_ligne():
    # The LTYPE table's patterns (dashes, gaps, dots, a pattern starting
    # with a gap, one with a text drawn as its dashes alone), scaled by
    # $LTSCALE and the lines' own scale (48); a name
    # the table does not define (10 on, 4 off); true colours (420); 255
    # painted black like 7.
    tables = table_types_ligne(("TIRETS", [6, -3]), ("MIXTE", [8, -2, 0, -2]), ("POINTS", [0, -2]),
                               ("DECALE", [-4, 4])) + calques(("0", 7, "CONTINUOUS"))
    # A complex line type: a text between its dashes, left out.
    tables = tables.replace(paire(0, "ENDTAB"), enr(
        "LTYPE", (2, "GAZ"), (70, 0), (3, "--GAZ--"), (72, 65), (73, 3), (40, 16), (49, 8), (74, 0),
        (49, -4), (74, 2), (75, 0), (340, "11"), (46, 2), (50, 0), (44, -1), (45, -1), (9, "GAZ"),
        (49, -4), (74, 0)) + paire(0, "ENDTAB"), 1)
    e = ""
    y = 220
    for t, echelle in [("TIRETS", 1), ("TIRETS", 0.5), ("MIXTE", 1), ("POINTS", 1), ("DECALE", 1),
                       ("GAZ", 1), ("INCONNU", 1), ("CONTINUOUS", 1)]:
        e += enr("LINE", (6, t), (48, echelle), (10, 10), (20, y), (11, 220), (21, y))
        y -= 15
    for rvb in (0xFF8000, 0x00A0FF, 0x808000):
        e += enr("LINE", (62, 1), (420, rvb), (10, 10), (20, y), (11, 220), (21, y))
        y -= 15
    e += ligne(10, y, 220, y, couleur=255) + ligne(10, y - 15, 220, y - 15, couleur=7)
    return entete(LTSCALE=1.5) + fichier(tables, "", e)


@dessin
def image_placee():
    # A 4 x 3 picture 10 units a pixel, turned by 30 degrees; the same at
    # its own size and mirrored; a picture that is missing shows its
    # reference.
    a, b = math.cos(math.radians(30)) * 10, math.sin(math.radians(30)) * 10
    e = (enr("IMAGE", (10, 40), (20, 20), (11, a), (21, b), (12, -b), (22, a), (13, 4), (23, 3), (340, "A1")) +
         enr("IMAGE", (10, 150), (20, 150), (11, 10), (21, 0), (12, 0), (22, 20), (13, 4), (23, 3), (340, "A1")) +
         enr("IMAGE", (10, 150), (20, 20), (11, 5), (21, 0), (12, 0), (22, -5), (13, 4), (23, 3), (340, "A2")) +
         enr("IMAGE", (10, 20), (20, 200), (11, 1), (21, 0), (12, 0), (22, 1), (13, 4), (23, 3), (340, "A3")))
    objets = section("OBJECTS", paire(0, "IMAGEDEF") + paire(5, "A1") + paire(1, "image-placee-source.png") +
                     paire(0, "IMAGEDEF") + paire(5, "A2") + paire(1, "C:\\plans\\image-placee-source.png") +
                     paire(0, "IMAGEDEF") + paire(5, "A3") + paire(1, "absente.png"))
    return fichier("", "", e)[:-len(paire(0, "EOF"))] + objets + paire(0, "EOF")


def points_selon(mode, taille):
    # A row of points in colours, a point in a block turned and scaled (its
    # figure stays upright and of the same size), a line to show the scale.
    entete = paire(9, "$PDMODE") + paire(70, mode) + paire(9, "$PDSIZE") + paire(40, taille)
    e = "".join(point(30 + 45 * i, 60, couleur=c) for i, c in enumerate((1, 3, 5, 7, 30)))
    e += point(60, 150) + insert("P", 150, 150, 3, 3, 30) + ligne(20, 20, 220, 20, couleur=8)
    return fichier(blocs=bloc("P", 0, 0, point(0, 0, couleur=6)), entites=e, entete=entete)


@dessin
def points_defaut():
    # $PDMODE 0: one-pixel dots, whatever $PDSIZE says.
    return points_selon(0, 20)


@dessin
def points_croix_cercle():
    # $PDMODE 34: a cross in a circle, 20 drawing units across.
    return points_selon(34, 20)


@dessin
def points_x_carre():
    # $PDMODE 67: an x in a square, 8% of the view's height.
    return points_selon(67, -8)


@dessin
def points_trait_cercle_carre():
    # $PDMODE 100: a tick in a circle and a square, 5% of the view's height.
    return points_selon(100, 0)


@dessin
def ordre_dessin():
    # Painted in the file's order, whatever the kinds: a red line under a
    # wipeout that follows it, a black line under a filled hatch that
    # follows it, a green line over the hatch it follows, a magenta line
    # under a text written after it; the same four in a block.
    e = (ligne(10, 200, 110, 220, couleur=1) +
         enr("WIPEOUT", (10, 40), (20, 190), (11, 40), (21, 0), (12, 0), (22, 40), (13, 1), (23, 1)) +
         ligne(120, 130, 230, 180) +
         hachure([[(150, 140), (210, 140), (210, 170), (150, 170)]], couleur=5) +
         ligne(120, 175, 230, 125, couleur=3) +
         ligne(10, 130, 110, 150, couleur=6) +
         texte(30, 132, 16, "ORDRE") + insert("B", 0, 0))
    b = (ligne(10, 20, 110, 40, couleur=1) +
         enr("WIPEOUT", (10, 40), (20, 10), (11, 40), (21, 0), (12, 0), (22, 40), (13, 1), (23, 1)) +
         ligne(120, 20, 230, 70) +
         hachure([[(150, 30), (210, 30), (210, 60), (150, 60)]], couleur=5) +
         ligne(120, 65, 230, 15, couleur=3))
    return fichier("", bloc("B", 0, 0, b), e)


@dessin
def couleur_vraie_blanche():
    # Outlines in true-colour white (420) as drawn for a black background,
    # and within 4 levels of it, painted as colour 7; 6 levels off, pale.
    e = (enr("LWPOLYLINE", (420, 0xFFFFFF), (90, 4), (70, 1), *points(10, [(10, 10), (230, 10), (230, 230), (10, 230)])) +
         enr("CIRCLE", (420, 0xFCFBFF), (10, 80), (20, 120), (40, 50)) +
         enr("LINE", (420, 0xF9F9F9), *points(10, [(150, 40)]), *points(11, [(210, 200)])) +
         mtexte(140, 220, 12, "{\\c16777215;Blanc}", couleur=1))
    return fichier("", "", e)


@dessin
def etendues():
    # Fitted whole: an ellipse ending at 6.28318530718, a hair over 2 pi; an
    # arc of no radius far off, which bounds nothing; an MTEXT whose word is
    # wider than its box; points drawn as crosses in circles at the edges.
    e = (enr("ELLIPSE", (10, 100), (20, 100), (11, 80), (21, 0), (40, 0.5), (41, 0.0), (42, 6.28318530718)) +
         arc(9000, 9000, 0, 0, 90) + mtexte(40, 160, 12, "Etiquettes", largeur=20, attache=2) +
         point(20, 20) + point(180, 20))
    return fichier(entites=e, entete=paire(9, "$PDMODE") + paire(70, 34) + paire(9, "$PDSIZE") + paire(40, 30))


@dessin
def mtexte_objet_embarque():
    # An MTEXT in columns as recent programs write it: the pairs after 101
    # "Embedded Object" are its columns', not its place, height or direction.
    colonnes = [(101, "Embedded Object"), (70, 1), (10, 1.0), (20, 0.0), (11, 10.0), (21, 200.0), (40, 200.0),
                (41, 0.0), (42, 80.0), (43, 20.0), (71, 2), (72, 1), (44, 100.0), (45, 10.0), (73, 0), (46, 0.0)]
    t = mtexte(10, 200, 12, "Titre\\Pen colonnes", largeur=200) + "".join(paire(c, v) for c, v in colonnes)
    return fichier("", "", t + lwpolyline([(0, 0), (220, 0), (220, 220), (0, 220)], True))


@dessin
def hachure_chemins():
    # Filled: one path of edges holding two loops (a frame and its hole);
    # one whose edges come out of order, one backwards. Hatched: a path
    # whose arc comes backwards.
    def l(x1, y1, x2, y2):
        return (1, points(10, [(x1, y1)]) + points(11, [(x2, y2)]))
    deux = [l(10, 10, 110, 10), l(110, 10, 110, 110), l(110, 110, 10, 110), l(10, 110, 10, 10),
            l(40, 40, 80, 40), l(80, 40, 60, 80), l(60, 80, 40, 40)]
    desordre = [l(130, 10, 230, 10), l(130, 110, 130, 10), l(230, 110, 230, 10), l(230, 110, 130, 110)]
    demi = [l(110, 140, 10, 140), (2, [(10, 60), (20, 140), (40, 50), (50, 0), (51, 180), (73, 1)])]
    return fichier("", "", hachure([("aretes", deux)], couleur=5) + hachure([("aretes", desordre)], couleur=1) +
                   hachure([("aretes", demi)], False, [(45, 0, 0, -3, 3, [])], couleur=3))


@dessin
def polyline_couleur():
    # POLYLINEs in their own colours (red, magenta by layer, with a bulge),
    # their VERTEX records black: the vertices' colours do not count.
    tables = calques(("0", 7, "CONTINUOUS"), ("MAGENTA", 6, "CONTINUOUS"))
    return fichier(tables, "", polyline([(20, 20, 7), (120, 20, 7), (120, 120, 7)], True, couleur=1) +
                   polyline([(140, 20, 7, 0.6), (220, 20, 7), (220, 120, 7)], calque="MAGENTA"))


def ecrire():
    for nom, f in DESSINS.items():
        contenu = f()
        if isinstance(contenu, str):
            contenu = contenu.encode("utf-8")
        with open(os.path.join(ICI, nom + ".dxf"), "wb") as sortie:
            sortie.write(contenu)
    # The picture that image-placee shows: its corners red, green, blue and
    # black, white elsewhere.
    blanc = (255, 255, 255)
    lignes = [[blanc] * 4 for _ in range(3)]
    lignes[0][0], lignes[0][3], lignes[2][0], lignes[2][3] = (255, 0, 0), (0, 160, 0), (0, 0, 255), (0, 0, 0)
    png(os.path.join(ICI, "image-placee-source.png"), lignes)


if __name__ == "__main__":
    ecrire()
