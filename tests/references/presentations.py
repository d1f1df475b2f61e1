#!/usr/bin/env python3
"""Writes presentations-plan.dxf and presentations-detail.dxf (the same
drawing, each painted through one of its layouts) with python3-ezdxf, an
independent writer of LAYOUT objects and VIEWPORT entities.

Model space: a house in blue, a dimension-like note in red on layer COTES, a
table in green. "Plan" (the active layout, its entities in ENTITIES): an A4
sheet with a title block, a viewport at 1.2 and one at 2, twisted 30 degrees,
COTES frozen in it. "Detail" (in *Paper_Space0): a viewport clipped to a
pentagon, one clipped to a circle, and one switched off."""
import math
import os

import ezdxf

ICI = os.path.dirname(os.path.abspath(__file__))

doc = ezdxf.new("R2018")
for nom, couleur in (("MURS", 5), ("COTES", 1), ("MOBILIER", 3)):
    doc.layers.add(nom, color=couleur)
msp = doc.modelspace()
msp.add_lwpolyline([(0, 0), (100, 0), (100, 60), (0, 60)], close=True,
                   dxfattribs={"layer": "MURS"})
msp.add_line((60, 0), (60, 60), dxfattribs={"layer": "MURS"})
msp.add_line((0, 35), (60, 35), dxfattribs={"layer": "MURS"})
msp.add_line((0, -8), (100, -8), dxfattribs={"layer": "COTES"})
msp.add_text("10 m", dxfattribs={"layer": "COTES", "height": 5}).set_placement((45, -16))
msp.add_circle((80, 30), 8, dxfattribs={"layer": "MOBILIER"})

plan = doc.layouts.get("Layout1")
doc.layouts.rename("Layout1", "Plan")
plan.page_setup(size=(297, 210), margins=(10, 10, 10, 10), units="mm")
# The title block, bottom right of the printable area.
plan.add_lwpolyline([(187, 0), (277, 0), (277, 30), (187, 30)], close=True)
plan.add_line((187, 15), (277, 15))
plan.add_text("TARSIN", dxfattribs={"height": 8}).set_placement((192, 18))
plan.add_text("Plan 1:1,2", dxfattribs={"height": 6}).set_placement((192, 4))
plan.add_viewport(center=(75, 110), size=(140, 100), view_center_point=(50, 25), view_height=100 / 1.2)
tourne = plan.add_viewport(center=(215, 110), size=(110, 100), view_center_point=(80, 30), view_height=50)
tourne.dxf.view_twist_angle = 30
tourne.frozen_layers = ["COTES"]

detail = doc.layouts.new("Detail")
detail.page_setup(size=(210, 297), margins=(10, 10, 10, 10), units="mm")
pentagone = [(95 + 70 * math.cos(math.radians(90 + 72 * i)),
              140 + 70 * math.sin(math.radians(90 + 72 * i))) for i in range(5)]
contour = detail.add_lwpolyline(pentagone, close=True)
coupee = detail.add_viewport(center=(95, 140), size=(140, 140), view_center_point=(60, 30), view_height=70)
coupee.dxf.clipping_boundary_handle = contour.dxf.handle
coupee.dxf.flags = coupee.dxf.flags | 0x10000
rond = detail.add_circle((160, 245), 28)
ronde = detail.add_viewport(center=(160, 245), size=(60, 60), view_center_point=(95, 50), view_height=40)
ronde.dxf.clipping_boundary_handle = rond.dxf.handle
ronde.dxf.flags = ronde.dxf.flags | 0x10000
eteinte = detail.add_viewport(center=(95, 30), size=(150, 40), view_center_point=(50, 30), view_height=40)
eteinte.dxf.status = 0
detail.add_text("Detail", dxfattribs={"height": 8}).set_placement((5, 260))

doc.layouts.set_active_layout("Plan")
for nom in ("presentations-plan", "presentations-detail"):
    doc.saveas(os.path.join(ICI, nom + ".dxf"))
