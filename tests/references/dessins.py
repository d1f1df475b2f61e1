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


def fichier(tables="", blocs="", entites=""):
    s = ""
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


def ecrire():
    for nom, f in DESSINS.items():
        with open(os.path.join(ICI, nom + ".dxf"), "w", newline="\n") as sortie:
            sortie.write(f())


if __name__ == "__main__":
    ecrire()
