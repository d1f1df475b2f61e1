#include "import/couleurs_dxf.h"

#include <dxflib/dl_codes.h>

#include "render/rendu.h"

CouleurRVB couleurTableDXF(int indice) {
    return {dxfColors[indice][0], dxfColors[indice][1], dxfColors[indice][2]};
}
