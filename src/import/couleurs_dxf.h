// The colour table of DXF colour indexes, as dxflib gives it. Read here so
// that dxflib's headers stay in the importer.
#pragma once

struct CouleurRVB;

// Row `indice` (0 to 255) of dxflib's table of index colours.
CouleurRVB couleurTableDXF(int indice);
