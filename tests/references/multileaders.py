#!/usr/bin/env python3
"""Writes multileaders.dxf with python3-ezdxf (an independent writer of
MULTILEADER): one pointing out a text from two red lines, one a block in blue
with its attribute, from a dot."""
import os

import ezdxf
from ezdxf.math import Vec2
from ezdxf.render.mleader import ConnectionSide

doc = ezdxf.new("R2018")
msp = doc.modelspace()
texte = msp.add_multileader_mtext("Standard")
texte.set_content("Porte\\Pbois", char_height=3.0)
texte.set_leader_properties(color=1)
texte.add_leader_line(ConnectionSide.left, [Vec2(10, 10), Vec2(20, 30)])
texte.add_leader_line(ConnectionSide.left, [Vec2(5, 45)])
texte.build(insert=Vec2(40, 40))
repere = doc.blocks.new("REPERE")
repere.add_circle((0, 0), 5, dxfattribs={"color": 0})
repere.add_attdef("NUM", (-2.2, -1.5), dxfattribs={"height": 3})
bloc = msp.add_multileader_block("Standard")
bloc.set_content("REPERE", color=5)
bloc.set_attribute("NUM", "12")
bloc.set_arrow_properties(name="_DOT", size=2)
bloc.add_leader_line(ConnectionSide.right, [Vec2(80, 10)])
bloc.build(insert=Vec2(60, 30))
doc.saveas(os.path.join(os.path.dirname(os.path.abspath(__file__)), "multileaders.dxf"))
