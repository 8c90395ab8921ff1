#include "platform/x_file_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <unordered_map>

namespace hc {

namespace {

// The fewest bytes one element of a list takes in text ("0;0;0;" for a vector, "3;0,0,0;" for a
// face), so that no count can promise more elements than the rest of the file holds.
constexpr std::size_t kVectorBytes = 6;
constexpr std::size_t kCoordsBytes = 4;
constexpr std::size_t kFaceBytes = 8;
constexpr std::size_t kIndexBytes = 2;
constexpr std::size_t kMaterialBytes = 3;  // "{a}"
constexpr int kMaxWholeDigits = 18;        // fits 64 bits
constexpr int kKeptFractionDigits = 15;
constexpr int kMaxFractionDigits = 64;
constexpr int kMaxExponent = 38;
constexpr float kMaxMagnitude = 1e9f;
constexpr std::size_t kMaxStringBytes = 1024;

// 10^-n, the scale of n fraction digits.
constexpr double kFractionScale[kKeptFractionDigits + 1] = {0.0, 0.1, 0.01, 0.001, 0.0001, 1e-5, 1e-6, 1e-7,
                                                            1e-8, 1e-9, 1e-10, 1e-11, 1e-12, 1e-13, 1e-14, 1e-15};

// Row-major, applied to row vectors, as the file writes it (translation in the last row).
struct Matrix {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    bool isIdentity() const {
        for (int i = 0; i < 16; ++i)
            if (m[i] != (i % 5 == 0 ? 1.0f : 0.0f)) return false;
        return true;
    }
};

// a then b.
Matrix multiply(const Matrix& a, const Matrix& b) {
    Matrix r;
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) sum += a.m[row * 4 + k] * b.m[k * 4 + col];
            r.m[row * 4 + col] = sum;
        }
    return r;
}

// A material as a mesh lists it: its own block, or a reference by name to one at the top of the file.
struct MaterialSlot {
    bool reference = false;
    std::size_t inlineIndex = 0;
    std::string name;
};

struct RawMesh {
    std::vector<float> positions;          // three a vertex
    std::vector<std::uint32_t> faceStart;  // face f has corners[faceStart[f] .. faceStart[f + 1])
    std::vector<std::uint32_t> corners;
    bool hasNormals = false;
    std::vector<float> normals;                // three a normal
    std::vector<std::uint32_t> normalCorners;  // laid out as corners
    bool hasUvs = false;
    std::vector<float> uvs;  // two a vertex
    bool hasMaterialList = false;
    std::vector<std::uint32_t> faceMaterials;
    std::vector<XFileModel::Material> inlineMaterials;
    std::vector<MaterialSlot> slots;
    std::vector<std::uint32_t> sceneMaterial;  // per slot, once resolved

    std::size_t faceCount() const { return faceStart.empty() ? 0 : faceStart.size() - 1; }
};

struct Frame {
    Matrix local;
    bool hasMatrix = false;
    std::vector<RawMesh> meshes;
    std::vector<Frame> children;
};

struct Document {
    std::vector<XFileModel::Material> globalMaterials;
    std::vector<RawMesh> globalMeshes;
    std::vector<Frame> frames;
};

bool isDelimiter(char c) { return c == '{' || c == '}' || c == ';' || c == ',' || c == '"'; }
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

class Parser {
public:
    Parser(std::string_view text, std::string& error) : begin_(text.data()), p_(text.data()), end_(text.data() + text.size()), error_(error) {}

    bool document(Document& doc) {
        if (!header()) return false;
        for (;;) {
            skipSpace();
            if (p_ == end_) return true;
            std::string_view id;
            if (!word(id)) return false;
            bool ok = true;
            if (id == "template") {
                ok = skipTemplate();
            } else if (id == "Frame") {
                doc.frames.emplace_back();
                ok = frame(doc.frames.back());
            } else if (id == "Mesh") {
                doc.globalMeshes.emplace_back();
                ok = mesh(doc.globalMeshes.back());
            } else if (id == "Material") {
                doc.globalMaterials.emplace_back();
                ok = material(doc.globalMaterials.back());
            } else {
                ok = skipObject();
            }
            if (!ok) return false;
        }
    }

    bool fail(const char* what) {
        if (error_.empty()) {
            int line = 1 + static_cast<int>(std::count(begin_, p_, '\n'));
            error_ = "line " + std::to_string(line) + ": " + what;
        }
        return false;
    }

private:
    const char* begin_;
    const char* p_;
    const char* end_;
    std::string& error_;
    int depth_ = 0;

    std::size_t bytesLeft() const { return static_cast<std::size_t>(end_ - p_); }

    // "xof ", a four-digit version, the format and the float size.
    bool header() {
        if (bytesLeft() < 16 || std::memcmp(p_, "xof ", 4) != 0) return fail("not a DirectX file");
        for (int i = 4; i < 8; ++i)
            if (!isDigit(p_[i])) return fail("bad version");
        if (std::memcmp(p_ + 8, "txt ", 4) != 0) return fail("only the text form is read");
        if (std::memcmp(p_ + 12, "0032", 4) != 0 && std::memcmp(p_ + 12, "0064", 4) != 0) return fail("bad float size");
        p_ += 16;
        return true;
    }

    // Whitespace and comments ("//" or "#" to the end of the line).
    void skipSpace() {
        while (p_ < end_) {
            if (isSpace(*p_)) {
                ++p_;
            } else if (*p_ == '#' || (*p_ == '/' && p_ + 1 < end_ && p_[1] == '/')) {
                while (p_ < end_ && *p_ != '\n') ++p_;
            } else {
                break;
            }
        }
    }

    char peek() {
        skipSpace();
        return p_ < end_ ? *p_ : '\0';
    }

    bool atWord() {
        char c = peek();
        return c != '\0' && !isDelimiter(c);
    }

    bool word(std::string_view& out) {
        if (!atWord()) return fail("name expected");
        const char* start = p_;
        while (p_ < end_ && !isSpace(*p_) && !isDelimiter(*p_)) ++p_;
        out = std::string_view(start, static_cast<std::size_t>(p_ - start));
        return true;
    }

    bool expect(char c, const char* what) {
        if (peek() != c) return fail(what);
        ++p_;
        return true;
    }

    bool separator() {
        char c = peek();
        if (c != ';' && c != ',') return fail("';' or ',' expected");
        ++p_;
        return true;
    }

    void optionalSeparator() {
        char c = peek();
        if (c == ';' || c == ',') ++p_;
    }

    bool open() {
        if (!expect('{', "'{' expected")) return false;
        if (++depth_ > XFileReader::kMaxDepth) return fail("nested too deep");
        return true;
    }

    bool close() {
        if (!expect('}', "'}' expected")) return false;
        --depth_;
        return true;
    }

    // After an object's identifier: its optional name and its opening brace.
    bool head(std::string* name) {
        if (atWord()) {
            std::string_view n;
            word(n);
            if (name) *name = std::string(n);
        }
        return open();
    }

    // A number must end where a delimiter or space begins ("3.5" is no count, "1x" no number).
    bool numberEnds() {
        if (p_ < end_ && !isSpace(*p_) && !isDelimiter(*p_)) return fail("malformed number");
        return true;
    }

    bool unsignedNumber(std::uint32_t& out) {
        skipSpace();
        std::uint64_t value = 0;
        int digits = 0;
        while (p_ < end_ && isDigit(*p_)) {
            if (++digits > 10) return fail("number too long");
            value = value * 10 + static_cast<std::uint64_t>(*p_ - '0');
            ++p_;
        }
        if (digits == 0) return fail("number expected");
        if (value > 0xFFFFFFFFu) return fail("number too large");
        if (!numberEnds()) return false;
        out = static_cast<std::uint32_t>(value);
        return separator();
    }

    // A count of list elements, each taking at least elementBytes of the file.
    bool count(std::uint32_t& out, std::size_t elementBytes) {
        if (!unsignedNumber(out)) return false;
        if (out > bytesLeft() / elementBytes) return fail("count larger than the file");
        return true;
    }

    bool index(std::uint32_t& out, std::uint32_t limit) {
        if (!unsignedNumber(out)) return false;
        if (out >= limit) return fail("index out of range");
        return true;
    }

    // The whole part in a float, the fraction's first fifteen digits scaled in double and added, then
    // the exponent: the long-standing arithmetic of the loader, kept so that every value comes out as
    // before to the last bit.
    bool number(float& out) {
        skipSpace();
        bool negative = false;
        if (p_ < end_ && (*p_ == '-' || *p_ == '+')) negative = *p_++ == '-';
        std::uint64_t whole = 0;
        int wholeDigits = 0;
        while (p_ < end_ && isDigit(*p_)) {
            if (++wholeDigits > kMaxWholeDigits) return fail("number too long");
            whole = whole * 10 + static_cast<std::uint64_t>(*p_ - '0');
            ++p_;
        }
        float value = static_cast<float>(whole);
        int fractionDigits = 0;
        if (p_ < end_ && *p_ == '.') {
            ++p_;
            std::uint64_t fraction = 0;
            int kept = 0;
            while (p_ < end_ && isDigit(*p_)) {
                if (++fractionDigits > kMaxFractionDigits) return fail("number too long");
                if (kept < kKeptFractionDigits) {
                    fraction = fraction * 10 + static_cast<std::uint64_t>(*p_ - '0');
                    ++kept;
                }
                ++p_;
            }
            value += static_cast<float>(static_cast<double>(fraction) * kFractionScale[kept]);
        }
        if (wholeDigits == 0 && fractionDigits == 0) return fail("number expected");
        if (p_ < end_ && (*p_ == 'e' || *p_ == 'E')) {
            ++p_;
            bool negativeExponent = false;
            if (p_ < end_ && (*p_ == '-' || *p_ == '+')) negativeExponent = *p_++ == '-';
            int exponent = 0, exponentDigits = 0;
            while (p_ < end_ && isDigit(*p_)) {
                if (++exponentDigits > 3) return fail("exponent too long");
                exponent = exponent * 10 + (*p_ - '0');
                ++p_;
            }
            if (exponentDigits == 0 || exponent > kMaxExponent) return fail("bad exponent");
            value *= std::pow(10.0f, static_cast<float>(negativeExponent ? -exponent : exponent));
        }
        if (!(std::fabs(value) <= kMaxMagnitude)) return fail("number out of range");
        if (!numberEnds()) return false;
        out = negative ? -value : value;
        return separator();
    }

    // n numbers, then the separator of the element, which the last element of a list may leave out.
    bool numbers(float* out, int n) {
        for (int i = 0; i < n; ++i)
            if (!number(out[i])) return false;
        optionalSeparator();
        return true;
    }

    bool string(std::string& out) {
        if (!expect('"', "'\"' expected")) return false;
        const char* start = p_;
        while (p_ < end_ && *p_ != '"') ++p_;
        if (p_ == end_) return fail("unterminated string");
        if (static_cast<std::size_t>(p_ - start) > kMaxStringBytes) return fail("string too long");
        out.assign(start, p_);
        ++p_;
        return separator();
    }

    // Braces of an object we do not read, with all they hold; strings may hold braces.
    bool skipBody() {
        const int outer = depth_;
        while (depth_ >= outer) {
            char c = peek();
            if (c == '\0') return fail("unexpected end of file");
            if (c == '{') {
                if (!open()) return false;
            } else if (c == '}') {
                close();
                if (depth_ < outer) break;
            } else if (c == '"') {
                ++p_;
                while (p_ < end_ && *p_ != '"') ++p_;
                if (p_ == end_) return fail("unterminated string");
                ++p_;
            } else if (c == ';' || c == ',') {
                ++p_;
            } else {
                std::string_view ignored;
                word(ignored);
            }
        }
        return true;
    }

    bool skipObject() { return head(nullptr) && skipBody(); }

    // template Name { <GUID> members [restrictions] }: nothing in it matters to the meshes.
    bool skipTemplate() {
        if (!head(nullptr)) return false;
        for (;;) {
            char c = peek();
            if (c == '\0') return fail("unexpected end of file");
            if (c == '}') return close();
            if (c == '{') return fail("'{' in a template");
            if (c == '"') return fail("string in a template");
            if (c == ';' || c == ',') {
                ++p_;
            } else {
                std::string_view ignored;
                word(ignored);
            }
        }
    }

    // { name } or { name <GUID> }: a reference to an object elsewhere in the file.
    bool reference(std::string& name) {
        if (!open()) return false;
        std::string_view n;
        if (!word(n)) return false;
        name = std::string(n);
        if (atWord()) word(n);
        return close();
    }

    bool frame(Frame& f) {
        if (!head(nullptr)) return false;
        for (;;) {
            char c = peek();
            if (c == '}') return close();
            if (c == '{') {
                std::string ignored;
                if (!reference(ignored)) return false;
                continue;
            }
            std::string_view id;
            if (!word(id)) return false;
            bool ok = true;
            if (id == "FrameTransformMatrix") {
                if (f.hasMatrix) return fail("second FrameTransformMatrix");
                f.hasMatrix = true;
                ok = head(nullptr) && numbers(f.local.m, 16) && close();
            } else if (id == "Frame") {
                f.children.emplace_back();
                ok = frame(f.children.back());
            } else if (id == "Mesh") {
                f.meshes.emplace_back();
                ok = mesh(f.meshes.back());
            } else {
                ok = skipObject();
            }
            if (!ok) return false;
        }
    }

    // A face: its corner count, then that many indices below limit.
    bool face(std::vector<std::uint32_t>& corners, std::uint32_t limit, std::uint32_t& cornerCount) {
        if (!count(cornerCount, kIndexBytes)) return false;
        if (cornerCount < 3) return fail("face with fewer than three corners");
        for (std::uint32_t k = 0; k < cornerCount; ++k) {
            std::uint32_t i = 0;
            if (!index(i, limit)) return false;
            corners.push_back(i);
        }
        optionalSeparator();
        return true;
    }

    bool mesh(RawMesh& m) {
        if (!head(nullptr)) return false;
        std::uint32_t vertexCount = 0, faceCount = 0;
        if (!count(vertexCount, kVectorBytes)) return false;
        m.positions.resize(static_cast<std::size_t>(vertexCount) * 3);
        for (std::uint32_t i = 0; i < vertexCount; ++i)
            if (!numbers(&m.positions[static_cast<std::size_t>(i) * 3], 3)) return false;
        if (!count(faceCount, kFaceBytes)) return false;
        m.faceStart.reserve(static_cast<std::size_t>(faceCount) + 1);
        m.faceStart.push_back(0);
        for (std::uint32_t f = 0; f < faceCount; ++f) {
            std::uint32_t corners = 0;
            if (!face(m.corners, vertexCount, corners)) return false;
            m.faceStart.push_back(static_cast<std::uint32_t>(m.corners.size()));
        }
        for (;;) {
            char c = peek();
            if (c == '}') return close();
            if (c == '{') {
                std::string ignored;
                if (!reference(ignored)) return false;
                continue;
            }
            std::string_view id;
            if (!word(id)) return false;
            bool ok = true;
            if (id == "MeshNormals")
                ok = normals(m);
            else if (id == "MeshTextureCoords")
                ok = textureCoords(m, vertexCount);
            else if (id == "MeshMaterialList")
                ok = materialList(m);
            else
                ok = skipObject();  // VertexDuplicationIndices, MeshVertexColors, skin data and the like
            if (!ok) return false;
        }
    }

    bool normals(RawMesh& m) {
        if (m.hasNormals) return fail("second MeshNormals");
        m.hasNormals = true;
        if (!head(nullptr)) return false;
        std::uint32_t normalCount = 0, faceCount = 0;
        if (!count(normalCount, kVectorBytes)) return false;
        m.normals.resize(static_cast<std::size_t>(normalCount) * 3);
        for (std::uint32_t i = 0; i < normalCount; ++i)
            if (!numbers(&m.normals[static_cast<std::size_t>(i) * 3], 3)) return false;
        if (!count(faceCount, kFaceBytes)) return false;
        if (faceCount != m.faceCount()) return fail("normal faces do not match the faces");
        m.normalCorners.reserve(m.corners.size());
        for (std::uint32_t f = 0; f < faceCount; ++f) {
            std::uint32_t corners = 0;
            if (!face(m.normalCorners, normalCount, corners)) return false;
            if (corners != m.faceStart[f + 1] - m.faceStart[f]) return fail("normal face corners do not match the face");
        }
        return close();
    }

    bool textureCoords(RawMesh& m, std::uint32_t vertexCount) {
        if (m.hasUvs) return fail("second MeshTextureCoords");
        m.hasUvs = true;
        if (!head(nullptr)) return false;
        std::uint32_t n = 0;
        if (!count(n, kCoordsBytes)) return false;
        if (n != vertexCount) return fail("texture coordinates do not match the vertices");
        m.uvs.resize(static_cast<std::size_t>(n) * 2);
        for (std::uint32_t i = 0; i < n; ++i)
            if (!numbers(&m.uvs[static_cast<std::size_t>(i) * 2], 2)) return false;
        return close();
    }

    bool materialList(RawMesh& m) {
        if (m.hasMaterialList) return fail("second MeshMaterialList");
        m.hasMaterialList = true;
        if (!head(nullptr)) return false;
        std::uint32_t materialCount = 0, indexCount = 0;
        if (!count(materialCount, kMaterialBytes) || !count(indexCount, kIndexBytes)) return false;
        const std::size_t faces = m.faceCount();
        // Some exporters give one index for all faces.
        if (indexCount != faces && !(indexCount == 1 && faces > 0))
            return fail("material indices do not match the faces");
        for (std::uint32_t i = 0; i < indexCount; ++i) {
            std::uint32_t material = 0;
            if (!index(material, materialCount)) return false;
            m.faceMaterials.push_back(material);
        }
        if (indexCount == 1) m.faceMaterials.resize(faces, m.faceMaterials.front());
        optionalSeparator();
        for (;;) {
            char c = peek();
            if (c == '}') break;
            if (c == ';' || c == ',') {
                ++p_;
                continue;
            }
            if (c == '{') {
                MaterialSlot slot;
                slot.reference = true;
                if (!reference(slot.name)) return false;
                m.slots.push_back(std::move(slot));
                continue;
            }
            std::string_view id;
            if (!word(id)) return false;
            if (id == "Material") {
                m.inlineMaterials.emplace_back();
                if (!material(m.inlineMaterials.back())) return false;
                MaterialSlot slot;
                slot.inlineIndex = m.inlineMaterials.size() - 1;
                m.slots.push_back(std::move(slot));
            } else if (!skipObject()) {
                return false;
            }
        }
        if (m.slots.size() != materialCount) return fail("material count does not match the materials");
        return close();
    }

    bool material(XFileModel::Material& out) {
        if (!head(&out.name)) return false;
        if (!numbers(out.diffuse, 4) || !number(out.power)) return false;
        optionalSeparator();
        if (!numbers(out.specular, 3) || !numbers(out.emissive, 3)) return false;
        bool hasTexture = false;
        for (;;) {
            char c = peek();
            if (c == '}') return close();
            if (c == '{') {
                std::string ignored;
                if (!reference(ignored)) return false;
                continue;
            }
            std::string_view id;
            if (!word(id)) return false;
            if (id == "TextureFilename" || id == "TextureFileName") {
                std::string file;
                if (!head(nullptr) || !string(file) || !close()) return false;
                if (!hasTexture) {
                    // Some exporters double every backslash of a path.
                    for (std::size_t at; (at = file.find("\\\\")) != std::string::npos;) file.erase(at, 1);
                    out.textureFile = file;
                    hasTexture = !file.empty();
                }
            } else if (!skipObject()) {
                return false;
            }
        }
    }
};

struct VertexKey {
    std::uint32_t bits[8];
    bool operator==(const VertexKey& o) const { return std::memcmp(bits, o.bits, sizeof bits) == 0; }
};

struct VertexKeyHash {
    std::size_t operator()(const VertexKey& k) const {
        std::size_t h = 1469598103934665603ull;
        for (std::uint32_t b : k.bits) h = (h ^ b) * 1099511628211ull;
        return h;
    }
};

// Equal values give equal keys: 0 and -0 are one (adding 0 turns -0 into 0).
VertexKey keyOf(const XFileModel::Vertex& v) {
    const float values[8] = {v.x + 0.0f, v.y + 0.0f, v.z + 0.0f, v.nx + 0.0f, v.ny + 0.0f, v.nz + 0.0f, v.u + 0.0f, v.v + 0.0f};
    VertexKey key;
    std::memcpy(key.bits, values, sizeof values);
    return key;
}

// Lays the document's meshes into the model: the materials at the top of the file first, then each
// mesh's own in the order of the frames, the meshes outside any frame last; the vertices of the meshes
// outside frames first, then those of the frames, a frame's own meshes before its children's.
class Flattener {
public:
    XFileModel& model;
    std::string& error;

    bool run(Document& doc) {
        model.materials = doc.globalMaterials;
        for (Frame& f : doc.frames)
            if (!numberFrame(f, doc)) return false;
        for (RawMesh& m : doc.globalMeshes)
            if (!numberMaterials(m, doc)) return false;
        if (model.materials.empty()) {
            // A file without materials draws in grey.
            XFileModel::Material grey;
            grey.diffuse[0] = grey.diffuse[1] = grey.diffuse[2] = 0.5f;
            grey.power = 1;
            model.materials.push_back(grey);
        }
        model.triangles.resize(model.materials.size());
        for (const RawMesh& m : doc.globalMeshes)
            if (!add(m, Matrix())) return false;
        for (const Frame& f : doc.frames)
            if (!addFrame(f, Matrix())) return false;
        for (const auto& list : model.triangles)
            if (!list.empty()) return true;
        error = "no faces in the file";
        return false;
    }

private:
    bool numberFrame(Frame& f, const Document& doc) {
        for (RawMesh& m : f.meshes)
            if (!numberMaterials(m, doc)) return false;
        for (Frame& child : f.children)
            if (!numberFrame(child, doc)) return false;
        return true;
    }

    bool numberMaterials(RawMesh& m, const Document& doc) {
        const std::size_t first = model.materials.size();
        for (const XFileModel::Material& material : m.inlineMaterials) model.materials.push_back(material);
        for (const MaterialSlot& slot : m.slots) {
            if (!slot.reference) {
                m.sceneMaterial.push_back(static_cast<std::uint32_t>(first + slot.inlineIndex));
                continue;
            }
            auto found = std::find_if(doc.globalMaterials.begin(), doc.globalMaterials.end(),
                                      [&](const XFileModel::Material& g) { return g.name == slot.name; });
            if (found == doc.globalMaterials.end()) {
                error = "no material named " + slot.name;
                return false;
            }
            m.sceneMaterial.push_back(static_cast<std::uint32_t>(found - doc.globalMaterials.begin()));
        }
        return true;
    }

    bool addFrame(const Frame& f, const Matrix& parent) {
        const Matrix world = multiply(f.local, parent);
        for (const RawMesh& m : f.meshes)
            if (!add(m, world)) return false;
        for (const Frame& child : f.children)
            if (!addFrame(child, world)) return false;
        return true;
    }

    // One run of vertices per material the mesh uses, made of the corners of that material's faces in
    // file order, equal corners shared.
    bool add(const RawMesh& m, const Matrix& world) {
        if (!m.hasNormals) model.hasNormals = false;
        if (!m.hasUvs) model.hasUvs = false;
        if (m.faceCount() == 0) return true;  // (a material list may then list no materials at all)
        const std::size_t materialCount = std::max<std::size_t>(m.slots.size(), 1);
        std::unordered_map<VertexKey, std::uint32_t, VertexKeyHash> seen;
        std::vector<std::uint32_t> faceCorners;
        for (std::size_t b = 0; b < materialCount; ++b) {
            const std::uint32_t sceneIndex = m.hasMaterialList ? m.sceneMaterial[b] : 0;
            std::vector<std::uint32_t>& out = model.triangles[sceneIndex];
            const std::size_t base = model.vertices.size();
            seen.clear();
            for (std::size_t f = 0; f < m.faceCount(); ++f) {
                if (m.hasMaterialList && m.faceMaterials[f] != b) continue;
                faceCorners.clear();
                for (std::uint32_t c = m.faceStart[f]; c < m.faceStart[f + 1]; ++c) {
                    const std::size_t p = m.corners[c];
                    XFileModel::Vertex v{m.positions[p * 3], m.positions[p * 3 + 1], m.positions[p * 3 + 2], 0, 0, 0, 0, 0};
                    if (m.hasNormals) {
                        const std::size_t n = m.normalCorners[c];
                        v.nx = m.normals[n * 3];
                        v.ny = m.normals[n * 3 + 1];
                        v.nz = m.normals[n * 3 + 2];
                    }
                    if (m.hasUvs) {
                        v.u = m.uvs[p * 2];
                        v.v = m.uvs[p * 2 + 1];
                    }
                    auto [at, added] = seen.try_emplace(keyOf(v), static_cast<std::uint32_t>(model.vertices.size()));
                    if (added) model.vertices.push_back(v);
                    faceCorners.push_back(at->second);
                }
                for (std::size_t k = 2; k < faceCorners.size(); ++k) {
                    out.push_back(faceCorners[0]);
                    out.push_back(faceCorners[k - 1]);
                    out.push_back(faceCorners[k]);
                }
            }
            if (!world.isIdentity() && !place(base, world)) return false;
        }
        return true;
    }

    // Positions by the whole matrix, normals by the inverse transpose of its 3x3 part, renormalised.
    bool place(std::size_t first, const Matrix& w) {
        const float* m = w.m;
        const float det = m[0] * (m[5] * m[10] - m[6] * m[9]) - m[1] * (m[4] * m[10] - m[6] * m[8]) +
                          m[2] * (m[4] * m[9] - m[5] * m[8]);
        // Cofactors of the 3x3 part: its inverse transpose, up to the factor 1 / det, which the
        // renormalisation removes (its sign kept, so that a mirror still turns normals around).
        const float c[9] = {m[5] * m[10] - m[6] * m[9], m[6] * m[8] - m[4] * m[10], m[4] * m[9] - m[5] * m[8],
                            m[2] * m[9] - m[1] * m[10], m[0] * m[10] - m[2] * m[8], m[1] * m[8] - m[0] * m[9],
                            m[1] * m[6] - m[2] * m[5], m[2] * m[4] - m[0] * m[6], m[0] * m[5] - m[1] * m[4]};
        const float sign = det < 0 ? -1.0f : 1.0f;
        for (std::size_t i = first; i < model.vertices.size(); ++i) {
            XFileModel::Vertex& v = model.vertices[i];
            const float x = v.x, y = v.y, z = v.z;
            v.x = x * m[0] + y * m[4] + z * m[8] + m[12];
            v.y = x * m[1] + y * m[5] + z * m[9] + m[13];
            v.z = x * m[2] + y * m[6] + z * m[10] + m[14];
            if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) {
                error = "frame places a vertex out of range";
                return false;
            }
            // Row vector times the inverse transpose: n'_j = sum_k n_k * c[j][k] / det.
            const float nx = v.nx, ny = v.ny, nz = v.nz;
            float ox = sign * (nx * c[0] + ny * c[1] + nz * c[2]);
            float oy = sign * (nx * c[3] + ny * c[4] + nz * c[5]);
            float oz = sign * (nx * c[6] + ny * c[7] + nz * c[8]);
            const float length = std::sqrt(ox * ox + oy * oy + oz * oz);
            if (length > 0 && std::isfinite(length)) {
                ox /= length;
                oy /= length;
                oz /= length;
            } else {
                ox = oy = oz = 0;
            }
            v.nx = ox, v.ny = oy, v.nz = oz;
        }
        return true;
    }
};

}  // namespace

bool XFileReader::parse(std::string_view text, XFileModel& model) {
    error.clear();
    model = XFileModel();
    if (text.size() > kMaxFileBytes) {
        error = "file too large";
        return false;
    }
    Document doc;
    Parser parser(text, error);
    if (!parser.document(doc)) return false;
    XFileModel result;
    Flattener flattener{result, error};
    if (!flattener.run(doc)) return false;
    model = std::move(result);
    return true;
}

bool XFileReader::read(const std::string& path, XFileModel& model) {
    error.clear();
    model = XFileModel();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = "cannot open";
        return false;
    }
    std::string text;
    char block[65536];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) {
        if (text.size() + got > kMaxFileBytes) {
            std::fclose(file);
            error = "file too large";
            return false;
        }
        text.append(block, got);
    }
    const bool readError = std::ferror(file) != 0;
    std::fclose(file);
    if (readError) {
        error = "read error";
        return false;
    }
    return parse(text, model);
}

}  // namespace hc
