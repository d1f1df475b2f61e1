#!/usr/bin/env python3
"""Writes the bundled sample: a small site plan and what goes with it.

    site.dxf         the drawing: ten layers with colours and line types,
                     blocks inserted several times (nested, rotated, scaled),
                     arcs, circles, closed and open LWPOLYLINEs, points, texts
                     and a raster image;
    plan-photo.png   the raster image that site.dxf names;
    site.ann         the annotations of site.dxf, for tarsin;
    annotations.ann  the annotations of tarsin-plan's demonstration rows.

Run it from anywhere: the files are written beside this script. The output
is the same at every run.

The drawing fits in 0..900 x 0..900 drawing units. The viewer paints raster
images at their insertion point counted in window pixels from the top-left
corner, unscaled, so the photo's insertion point (660, 40) puts it in the
empty top-right corner of the view at scale 1.
"""

import math
import os
import struct
import zlib

ICI = os.path.dirname(os.path.abspath(__file__))

# name, colour index, line type. Keep the list in byte order: the viewer
# numbers the layers in that order, and the annotation keys of site.ann are
# those numbers.
CALQUES = [
    ("0", 250, "CONTINUOUS"),
    ("arbres", 3, "CONTINUOUS"),
    ("cotes", 6, "CONTINUOUS"),
    ("limites", 8, "CENTER"),
    ("mobilier", 150, "CONTINUOUS"),
    ("murs", 12, "CONTINUOUS"),
    ("points_topo", 1, "CONTINUOUS"),
    ("reseau_eau", 5, "DASHED"),
    ("reseau_elec", 30, "DASHDOT"),
    ("textes", 250, "CONTINUOUS"),
]
assert [c[0] for c in CALQUES] == sorted(c[0] for c in CALQUES)
CLE = {nom: i for i, (nom, _, _) in enumerate(CALQUES)}

# name, description, dash pattern (positive: dash, negative: gap, 0: dot).
TYPES_DE_LIGNE = [
    ("CONTINUOUS", "Solid line", []),
    ("DASHED", "Dashed __ __ __ __", [12.0, -6.0]),
    ("DASHDOT", "Dash dot __ . __ . __", [12.0, -4.0, 0.0, -4.0]),
    ("CENTER", "Center ____ _ ____ _", [30.0, -6.0, 6.0, -6.0]),
]

PHOTO = "plan-photo.png"
PHOTO_LARGEUR, PHOTO_HAUTEUR = 200, 110
HANDLE_PHOTO = "2F"


def nombre(v):
    if isinstance(v, int):
        return str(v)
    texte = ("%.6f" % v).rstrip("0")
    return texte + "0" if texte.endswith(".") else texte


class Dxf:
    """Group code / value pairs, one per line each."""

    def __init__(self):
        self.lignes = []

    def __call__(self, code, valeur):
        self.lignes.append("%3d" % code)
        self.lignes.append(valeur if isinstance(valeur, str) else nombre(valeur))

    def texte(self):
        return "\n".join(self.lignes) + "\n"

    # Entities. `calque` and, when given, colour and line type.
    def attributs(self, calque, couleur=None, type_ligne=None):
        self(8, calque)
        if type_ligne:
            self(6, type_ligne)
        if couleur is not None:
            self(62, couleur)

    def ligne(self, calque, x1, y1, x2, y2, **a):
        self(0, "LINE")
        self.attributs(calque, **a)
        for code, v in ((10, x1), (20, y1), (30, 0.0), (11, x2), (21, y2), (31, 0.0)):
            self(code, float(v))

    def cercle(self, calque, x, y, r, **a):
        self(0, "CIRCLE")
        self.attributs(calque, **a)
        for code, v in ((10, x), (20, y), (30, 0.0), (40, r)):
            self(code, float(v))

    def arc(self, calque, x, y, r, debut, fin, **a):
        self(0, "ARC")
        self.attributs(calque, **a)
        for code, v in ((10, x), (20, y), (30, 0.0), (40, r), (50, debut), (51, fin)):
            self(code, float(v))

    def point(self, calque, x, y, **a):
        self(0, "POINT")
        self.attributs(calque, **a)
        for code, v in ((10, x), (20, y), (30, 0.0)):
            self(code, float(v))

    def polyligne(self, calque, points, fermee=False, **a):
        self(0, "LWPOLYLINE")
        self.attributs(calque, **a)
        self(90, len(points))
        self(70, 1 if fermee else 0)
        for x, y in points:
            self(10, float(x))
            self(20, float(y))

    def texte_dxf(self, calque, x, y, hauteur, texte, **a):
        self(0, "TEXT")
        self.attributs(calque, **a)
        for code, v in ((10, x), (20, y), (30, 0.0), (40, hauteur)):
            self(code, float(v))
        self(1, texte)
        self(7, "STANDARD")

    def insertion(self, calque, bloc, x, y, echelle=1.0, angle=0.0):
        self(0, "INSERT")
        self.attributs(calque)
        self(2, bloc)
        for code, v in ((10, x), (20, y), (30, 0.0), (41, echelle), (42, echelle),
                        (43, 1.0), (50, angle)):
            self(code, float(v))

    def image(self, calque, x, y, largeur, hauteur, handle):
        self(0, "IMAGE")
        self.attributs(calque)
        for code, v in ((10, x), (20, y), (30, 0.0), (11, 1.0), (21, 0.0), (31, 0.0),
                        (12, 0.0), (22, 1.0), (32, 0.0)):
            self(code, float(v))
        self(13, float(largeur))
        self(23, float(hauteur))
        self(340, handle)


def table(d, genre, entrees):
    """A table of the TABLES section: one entry per list of (code, value)."""
    d(0, "TABLE")
    d(2, genre)
    d(70, len(entrees))
    for paires in entrees:
        d(0, genre)
        for code, valeur in paires:
            d(code, valeur)
    d(0, "ENDTAB")


def tables(d):
    d(0, "SECTION")
    d(2, "TABLES")
    table(d, "LTYPE", [
        [(2, nom), (70, 0), (3, description), (72, 65), (73, len(motif)),
         (40, float(sum(abs(m) for m in motif)))] + [(49, float(m)) for m in motif]
        for nom, description, motif in TYPES_DE_LIGNE])
    table(d, "LAYER", [[(2, nom), (70, 0), (62, couleur), (6, type_ligne)]
                       for nom, couleur, type_ligne in CALQUES])
    d(0, "ENDSEC")


def debut_bloc(d, nom, bx=0.0, by=0.0):
    d(0, "BLOCK")
    d(8, "0")
    d(2, nom)
    d(70, 0)
    d(10, float(bx))
    d(20, float(by))
    d(30, 0.0)
    d(3, nom)


def fin_bloc(d):
    d(0, "ENDBLK")
    d(8, "0")


def blocs(d):
    d(0, "SECTION")
    d(2, "BLOCKS")

    # A chair: a square seat and its back.
    debut_bloc(d, "chaise")
    d.polyligne("mobilier", [(-8, -8), (8, -8), (8, 8), (-8, 8)], fermee=True)
    d.ligne("mobilier", -8, 10, 8, 10)
    fin_bloc(d)

    # A round table with four chairs around it: a block inside a block.
    debut_bloc(d, "table")
    d.cercle("mobilier", 0, 0, 22)
    for angle in (0, 90, 180, 270):
        a = math.radians(angle)
        d.insertion("mobilier", "chaise", round(-34 * math.sin(a), 3), round(-34 * math.cos(a), 3),
                    angle=float(angle))
    fin_bloc(d)

    # A tree seen from above.
    debut_bloc(d, "arbre")
    d.cercle("arbres", 0, 0, 25)
    d.cercle("arbres", 0, 0, 4)
    d.arc("arbres", 0, 0, 16, 20, 160)
    d.arc("arbres", 0, 0, 16, 200, 340)
    fin_bloc(d)

    # A manhole of the water network.
    debut_bloc(d, "regard")
    d.polyligne("reseau_eau", [(-10, -10), (10, -10), (10, 10), (-10, 10)], fermee=True,
                type_ligne="CONTINUOUS")
    d.cercle("reseau_eau", 0, 0, 6, type_ligne="CONTINUOUS")
    fin_bloc(d)

    d(0, "ENDSEC")


def entites(d):
    d(0, "SECTION")
    d(2, "ENTITIES")

    # The plot, dashed by its layer.
    d.polyligne("limites", [(20, 20), (880, 20), (880, 770), (20, 770)], fermee=True)

    # The house: outer walls, an inner wall, a door swing, a terrace wall
    # (open), a round pillar.
    d.polyligne("murs", [(150, 250), (550, 250), (550, 550), (150, 550)], fermee=True)
    d.polyligne("murs", [(156, 256), (544, 256), (544, 544), (156, 544)], fermee=True)
    d.ligne("murs", 350, 256, 350, 360)
    d.ligne("murs", 350, 420, 350, 544)
    d.arc("murs", 350, 360, 60, 0, 90)
    d.arc("murs", 300, 250, 40, 0, 180)
    d.polyligne("murs", [(550, 320), (640, 320), (640, 480), (550, 480)])
    d.cercle("murs", 620, 460, 8)

    # Furniture: two tables with their chairs, one turned.
    d.insertion("mobilier", "table", 250, 420)
    d.insertion("mobilier", "table", 450, 330, angle=45.0)
    d.insertion("mobilier", "chaise", 500, 480, angle=30.0)

    # Trees: the same block again and again, some larger, some smaller.
    for x, y, echelle in ((80, 110, 1.0), (80, 330, 1.0), (80, 560, 1.2), (260, 680, 0.8),
                          (420, 690, 1.0), (760, 360, 1.6), (780, 560, 0.7),
                          (640, 660, 1.3)):
        d.insertion("arbres", "arbre", x, y, echelle=echelle)

    # Water: from the street to the house, two manholes.
    d.polyligne("reseau_eau", [(20, 420), (110, 420), (110, 300), (150, 300)])
    d.insertion("reseau_eau", "regard", 110, 420)
    d.insertion("reseau_eau", "regard", 110, 300, angle=30.0)
    d.ligne("reseau_eau", 550, 290, 700, 290, couleur=4)

    # Electricity: from the pole to the house.
    d.polyligne("reseau_elec", [(880, 610), (700, 610), (700, 520), (550, 520)])
    d.cercle("reseau_elec", 880, 610, 6, type_ligne="CONTINUOUS")

    # Dimensions.
    d.ligne("cotes", 150, 215, 550, 215)
    d.ligne("cotes", 150, 205, 150, 245)
    d.ligne("cotes", 550, 205, 550, 245)
    d.texte_dxf("cotes", 330, 195, 12, "400")
    d.ligne("cotes", 575, 250, 575, 550)
    d.ligne("cotes", 565, 250, 585, 250)
    d.ligne("cotes", 565, 550, 585, 550)
    d.texte_dxf("cotes", 590, 395, 12, "300")

    # Survey points with their heights.
    for x, y, cote in ((20, 20, "101.20"), (880, 20, "100.85"), (880, 770, "102.40"),
                       (20, 770, "102.95"), (350, 600, "102.10")):
        d.point("points_topo", x, y)
        d.texte_dxf("points_topo", x + 6, y + 6, 10, cote)

    # Names.
    d.texte_dxf("textes", 30, 860, 24, "Plan de situation - parcelle 12")
    d.texte_dxf("textes", 30, 825, 14, "Echelle 1:100, cotes en cm")
    d.texte_dxf("textes", 300, 560, 16, "Maison")
    d.texte_dxf("textes", 180, 280, 12, "Sejour")
    d.texte_dxf("textes", 380, 280, 12, "Cuisine")
    d.texte_dxf("textes", 650, 200, 16, "Jardin")
    d.texte_dxf("textes", 380, 5, 12, "Rue des Tilleuls", couleur=1)

    # The photo.
    d.image("0", 660, 40, PHOTO_LARGEUR, PHOTO_HAUTEUR, HANDLE_PHOTO)

    d(0, "ENDSEC")


def objets(d):
    d(0, "SECTION")
    d(2, "OBJECTS")
    d(0, "IMAGEDEF")
    d(5, HANDLE_PHOTO)
    d(1, PHOTO)
    d(10, float(PHOTO_LARGEUR))
    d(20, float(PHOTO_HAUTEUR))
    d(0, "ENDSEC")


def dessin():
    d = Dxf()
    d(0, "SECTION")
    d(2, "HEADER")
    d(9, "$ACADVER")
    d(1, "AC1015")
    d(9, "$EXTMIN")
    d(10, 0.0)
    d(20, 0.0)
    d(9, "$EXTMAX")
    d(10, 900.0)
    d(20, 900.0)
    d(0, "ENDSEC")
    tables(d)
    blocs(d)
    entites(d)
    objets(d)
    d(0, "EOF")
    return d.texte()


def photo():
    """A small picture of the house: sky, grass, walls, roof, door."""
    l, h = PHOTO_LARGEUR, PHOTO_HAUTEUR
    lignes = []
    for y in range(h):
        ligne = bytearray()
        for x in range(l):
            if y < 70:
                pixel = (120 + y, 170 + y, 235)  # sky
            else:
                pixel = (70, 140 - (y - 70), 60)  # grass
            if 60 <= x < 140 and 45 <= y < 90:
                pixel = (225, 215, 190)  # walls
                if 92 <= x < 108 and 62 <= y < 90:
                    pixel = (110, 70, 40)  # door
                if (70 <= x < 84 or 116 <= x < 130) and 55 <= y < 68:
                    pixel = (90, 130, 170)  # windows
            if 15 <= y < 45 and abs(x - 100) <= (y - 15) * 45 // 30:
                pixel = (170, 60, 45)  # roof
            if x in (0, l - 1) or y in (0, h - 1):
                pixel = (40, 40, 40)  # frame
            ligne += bytes(pixel)
        lignes.append(b"\x00" + bytes(ligne))

    def morceau(genre, donnees):
        corps = genre + donnees
        return struct.pack(">I", len(donnees)) + corps + struct.pack(">I", zlib.crc32(corps))

    return (b"\x89PNG\r\n\x1a\n" +
            morceau(b"IHDR", struct.pack(">IIBBBBB", l, h, 8, 2, 0, 0, 0)) +
            morceau(b"IDAT", zlib.compress(b"".join(lignes), 9)) +
            morceau(b"IEND", b""))


def annotations_site():
    """site.ann: for each layer, its annotations ("i:j", a blank, the title;
    then the text line), then the layer's own record ("i:*"). A layer's
    records come after its annotations, or they would end the layer's pass
    before them. No line may contain a layer number followed by ':' where it
    does not mean it."""
    notes = {
        "0": [("Photo du site", "Prise depuis la rue, facade sud, avant les travaux.")],
        "arbres": [
            ("Tilleul malade", "Le grand tilleul de l'est perd ses branches: a faire elaguer."),
            ("Haie a planter", "Prevoir une haie vive le long de la limite nord."),
        ],
        "limites": [("Borne manquante", "La borne du coin nord-ouest n'a pas ete retrouvee.")],
        "murs": [
            ("Fissure", "Fissure au pied du mur"),
            ("Regard", "Regard a deplacer"),
            ("Muret de la terrasse", "Muret en pierres seches, hauteur 60 cm."),
        ],
        "reseau_eau": [
            ("Regard de visite", "Tampon fonte a remplacer, classe B125."),
            ("Compteur", "Compteur general dans le regard de la rue."),
        ],
        "reseau_elec": [("Poteau", "Raccordement aerien, passage en souterrain a etudier.")],
    }
    textes_calques = {
        "murs": "Murs porteurs en parpaings de 20.",
        "reseau_eau": "Adduction d'eau potable, PEHD diametre 32.",
    }
    lignes = []
    for nom, _, _ in CALQUES:
        i = CLE[nom]
        for j, (titre, texte) in enumerate(notes.get(nom, [])):
            lignes += ["%d:%d %s" % (i, j, titre), texte]
        if nom in textes_calques:
            lignes += ["%d:*" % i, textes_calques[nom]]
    # A line that contains "i:" is an annotation header of layer i in that
    # layer's pass: headers must hold their own layer's stem only, texts none.
    for k, l in enumerate(lignes):
        souches = {i for i in range(len(CALQUES)) if "%d:" % i in l}
        assert souches == ({int(l.split(":")[0])} if k % 2 == 0 else set()), l
    return "\n".join(lignes) + "\n"


def annotations_plan():
    """annotations.ann for tarsin-plan's rows "0:*", "2:*" and "4:*", which
    sit at the paths 0, 1 and 2. A row takes its annotations' titles from the
    headers of its key ("2:0|Compteur" under "2:*"), but activating an
    annotation row shows the text after the first header that begins with
    the row's path ("1:0|" for the first annotation of the row at path 1).
    So the texts of the row "2:*" come from the "1:j|" records, and those of
    the row "4:*" from the "2:j|" records, which also give the row "2:*" its
    titles: the two rows have as many annotations each."""
    notes = {
        0: [("Regard de visite", "Regard a rehausser de 10 cm."),
            ("Vanne d'arret", "Vanne a remplacer avant l'hiver.")],
        2: [("Compteur", "Compteur general dans le regard de la rue."),
            ("Vanne de purge", "Vanne de purge grippee, a changer.")],
        4: [("Poteau", "Raccordement aerien a passer en souterrain."),
            ("Coffret", "Coffret de branchement en limite de propriete.")],
    }

    def enregistrements(entete, titres, textes):
        return sum((["%d:%d|%s" % (entete, j, titre), texte]
                    for j, ((titre, _), (_, texte)) in enumerate(zip(titres, textes))), [])

    lignes = (enregistrements(0, notes[0], notes[0]) +
              enregistrements(1, notes[2], notes[2]) +
              enregistrements(2, notes[2], notes[4]) +
              enregistrements(4, notes[4], notes[4]))
    return "\n".join(lignes) + "\n"


def ecrire(nom, contenu):
    mode = "wb" if isinstance(contenu, bytes) else "w"
    with open(os.path.join(ICI, nom), mode, **({} if mode == "wb" else {"newline": "\n"})) as f:
        f.write(contenu)


if __name__ == "__main__":
    ecrire("site.dxf", dessin())
    ecrire(PHOTO, photo())
    ecrire("site.ann", annotations_site())
    ecrire("annotations.ann", annotations_plan())
