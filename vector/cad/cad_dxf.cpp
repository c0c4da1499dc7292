#include "vector/cad/cad_dxf.h"

#include "base/atomic_file.h"
#include "vector/cad/cad_geometry.h"
#include "vector/cad/dxf_writer.h"

namespace lintra {

std::string CadDxfText(const cad::Drawing& drawing, DxfVersion version) {
    cad::RequireWritable(drawing);
    return version == DxfVersion::R12 ? dxf::R12Text(drawing) : dxf::R2000Text(drawing);
}

void WriteCadDxf(const std::string& path, const cad::Drawing& drawing, DxfVersion version) {
    std::string text = CadDxfText(drawing, version);
    WriteFileAtomically(path, {Bytes(text.data(), text.size())});
}

}  // namespace lintra
