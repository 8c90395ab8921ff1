#pragma once
// Small text .x files for the mesh loader and mesh cache tests.
#include <string>

namespace hc::testing {

// A quad on the floor (material 1) and a triangle standing at z = 1 (material 0). The frame carries a
// translation along x; each material names the given texture, none when empty.
inline std::string blockX(const std::string& texture = "stone.png", float frameX = 0.0f,
                          const std::string& secondTexture = "") {
    std::string frame = std::to_string(frameX);
    auto textureBlock = [](const std::string& name) {
        return name.empty() ? std::string() : "    TextureFilename {\n     \"" + name + "\";\n    }\n";
    };
    return "xof 0303txt 0032\n"
           "\n"
           "Frame Root {\n"
           " FrameTransformMatrix {\n"
           "  1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0,0.0," +
           frame +
           ",0.0,0.0,1.0;;\n"
           " }\n"
           " Mesh Block {\n"
           "  7;\n"
           "  0.0;0.0;0.0;,\n"
           "  2.0;0.0;0.0;,\n"
           "  2.0;0.0;3.0;,\n"
           "  0.0;0.0;3.0;,\n"
           "  5.0;1.0;1.0;,\n"
           "  6.0;1.0;1.0;,\n"
           "  5.0;2.0;1.0;;\n"
           "  2;\n"
           "  4;0,1,2,3;,\n"
           "  3;4,5,6;;\n"
           "  MeshNormals {\n"
           "   2;\n"
           "   0.0;1.0;0.0;,\n"
           "   0.0;0.0;-1.0;;\n"
           "   2;\n"
           "   4;0,0,0,0;,\n"
           "   3;1,1,1;;\n"
           "  }\n"
           "  MeshTextureCoords {\n"
           "   7;\n"
           "   0.0;0.0;,\n"
           "   1.0;0.0;,\n"
           "   1.0;1.0;,\n"
           "   0.0;1.0;,\n"
           "   0.25;0.75;,\n"
           "   0.5;0.75;,\n"
           "   0.25;0.5;;\n"
           "  }\n"
           "  MeshMaterialList {\n"
           "   2;\n"
           "   2;\n"
           "   1,\n"
           "   0;;\n"
           "   Material {\n"
           "    1.0;0.5;0.25;0.75;;\n"
           "    8.0;\n"
           "    0.1;0.2;0.3;;\n"
           "    0.4;0.5;0.6;;\n" +
           textureBlock(texture) +
           "   }\n"
           "   Material {\n"
           "    0.2;0.3;0.4;1.0;;\n"
           "    0.0;\n"
           "    0.0;0.0;0.0;;\n"
           "    0.0;0.0;0.0;;\n" +
           textureBlock(secondTexture) +
           "   }\n"
           "  }\n"
           " }\n"
           "}\n";
}

}  // namespace hc::testing
