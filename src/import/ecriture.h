// tarsin-plan's sample of DXF writing: a small fixed drawing written to
// "myfile.dxf" in the working directory through dxflib's writer.
#pragma once

#include <iostream>

// Writes "myfile.dxf"; when the file cannot be created, says so on `sortie`
// and writes nothing.
void testWriting(std::ostream& sortie = std::cout);
