#include "import/ecriture.h"

#include <dxflib/dl_dxf.h>

#include <memory>

namespace {

const char* const typesDeLigne[] = {
    "BYBLOCK",        "BYLAYER",        "CONTINUOUS", "ACAD_ISO02W100", "ACAD_ISO03W100",
    "ACAD_ISO04W100", "ACAD_ISO05W100", "BORDER",     "BORDER2",        "BORDERX2",
    "CENTER",         "CENTER2",        "CENTERX2",   "DASHDOT",        "DASHDOT2",
    "DASHDOTX2",      "DASHED",         "DASHED2",    "DASHEDX2",       "DIVIDE",
    "DIVIDE2",        "DIVIDEX2",       "DOT",        "DOT2",           "DOTX2",
};

}  // namespace

void testWriting(std::ostream& sortie) {
    auto dxf = std::make_unique<DL_Dxf>();
    std::unique_ptr<DL_WriterA> dw(dxf->out("myfile.dxf", DL_Codes::AC1015));
    if (!dw) {
        sortie << "Cannot open file 'myfile.dxf' \t\t\t\tfor writing." << std::flush;
        return;
    }

    // Header.
    dxf->writeHeader(*dw);
    dw->dxfString(9, "$INSUNITS");
    dw->dxfInt(70, 4);
    dw->dxfString(9, "$DIMEXE");
    dw->dxfReal(40, 1.25);
    dw->dxfString(9, "$TEXTSTYLE");
    dw->dxfString(7, "Standard");
    dw->dxfString(9, "$LIMMIN");
    dw->dxfReal(10, 0.0);
    dw->dxfReal(20, 0.0);
    dw->sectionEnd();

    // Tables.
    dw->sectionTables();
    dxf->writeVPort(*dw);

    const int nombreTypes = sizeof typesDeLigne / sizeof typesDeLigne[0];
    dw->tableLinetypes(nombreTypes);
    for (const char* nom : typesDeLigne)
        dxf->writeLinetype(*dw, DL_LinetypeData(nom, "", 0, 0, 0.0));
    dw->tableEnd();

    dw->tableLayers(3);
    const auto calque = [&](const char* nom, int couleur) {
        dxf->writeLayer(*dw, DL_LayerData(nom, 0),
                        DL_Attributes("", couleur, 100, "CONTINUOUS", 1.0));
    };
    calque("0", DL_Codes::black);
    calque("mainlayer", DL_Codes::red);
    calque("anotherlayer", DL_Codes::black);
    dw->tableEnd();

    // dxflib writes one text style per call: the table around it is ours.
    dw->tableStyle(1);
    dxf->writeStyle(*dw, DL_StyleData("Standard", 0, 0.0, 1.0, 0.0, 0, 2.5, "txt", ""));
    dw->tableEnd();
    dxf->writeView(*dw);
    dxf->writeUcs(*dw);

    dw->tableAppid(1);
    dw->tableAppidEntry(0x12);
    dw->dxfString(2, "ACAD");
    dw->dxfInt(70, 0);
    dw->tableEnd();

    dxf->writeDimStyle(*dw, 1.0, 1.0, 1.0, 1.0, 1.0);

    dxf->writeBlockRecord(*dw);
    dxf->writeBlockRecord(*dw, "myblock1");
    dxf->writeBlockRecord(*dw, "myblock2");
    dw->tableEnd();
    dw->sectionEnd();

    // Empty blocks.
    dw->sectionBlocks();
    for (const char* nom :
         {"*Model_Space", "*Paper_Space", "*Paper_Space0", "myblock1", "myblock2"}) {
        dxf->writeBlock(*dw, DL_BlockData(nom, 0, 0.0, 0.0, 0.0));
        dxf->writeEndBlock(*dw, nom);
    }
    dw->sectionEnd();

    // Entities: a point and a line on "mainlayer", colour and line type by layer.
    dw->sectionEntities();
    const DL_Attributes parCalque("mainlayer", 256, -1, "BYLAYER", 1.0);
    dxf->writePoint(*dw, DL_PointData(10.0, 45.0, 0.0), parCalque);
    dxf->writeLine(*dw, DL_LineData(25.0, 30.0, 0.0, 100.0, 120.0, 0.0), parCalque);
    dw->sectionEnd();

    dxf->writeObjects(*dw);
    dxf->writeObjectsEnd(*dw);
    dw->dxfEOF();
    dw->close();
}
