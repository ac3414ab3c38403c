// load_bench.cpp: how long the model reader takes over hostile entries of up
// to 16 MB. Each entry is built to make one part of the reader work as hard
// as a file of that size can (many records, many lookups, many faces, many
// tiny chunks), written into a library and loaded in a child process; the
// table gives the outcome (loaded, or the error line), the wall time and the
// peak memory. Target: every entry loads or is refused within 1 s.
// usage: kvistra-load-bench [SCRATCH_DIR]
#include "resources/resources.h"
#include "scene/chunk_ids.h"
#include "scene/scene.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace chunk3ds;

namespace {

constexpr size_t limit = 16u << 20;  // the largest entry built

// Chunks written straight into bytes: open() writes a header whose length
// close() fills in.
struct Bytes {
    std::vector<uint8_t> data;
    std::vector<size_t> open;

    void u8(uint8_t v) { data.push_back(v); }
    void u16(uint16_t v) { u8(uint8_t(v)), u8(uint8_t(v >> 8)); }
    void u32(uint32_t v) { u16(uint16_t(v)), u16(uint16_t(v >> 16)); }
    void f32(float v)
    {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        u32(bits);
    }
    void name(const std::string& text)
    {
        data.insert(data.end(), text.begin(), text.end());
        u8(0);
    }
    void begin(uint16_t id) { open.push_back(data.size()), u16(id), u32(0); }
    void end()
    {
        size_t start = open.back();
        open.pop_back();
        uint32_t length = uint32_t(data.size() - start);
        std::memcpy(&data[start + 2], &length, 4);
    }
    bool full(size_t reserve = 0) const { return data.size() + reserve >= limit; }
};

std::string numbered(const char* prefix, int i)
{
    return prefix + std::to_string(i);
}

void emptyObject(Bytes& b, const std::string& name)
{
    b.begin(idNamedObject), b.name(name), b.begin(idTriangleMesh), b.end(), b.end();
}

void camera(Bytes& b, const std::string& name)
{
    b.begin(idNamedObject), b.name(name), b.begin(idCamera);
    for (int i = 0; i < 8; i++)
        b.f32(float(i));
    b.end(), b.end();
}

// A mesh of three vertices and faceCount faces, grouped in runs of
// groupSize faces, group g naming material g % materials.
void mesh(Bytes& b, const std::string& name, int faceCount, int groupSize, int materials)
{
    b.begin(idNamedObject), b.name(name), b.begin(idTriangleMesh);
    b.begin(idVertexList), b.u16(3);
    for (float v : {0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 1.f, 0.f})
        b.f32(v);
    b.end();
    b.begin(idFaceList), b.u16(uint16_t(faceCount));
    for (int f = 0; f < faceCount; f++)
        b.u16(0), b.u16(1), b.u16(2), b.u16(0);
    for (int g = 0; groupSize > 0 && g * groupSize < faceCount; g++) {
        b.begin(idFaceMaterial), b.name(numbered("M", g % materials)), b.u16(uint16_t(groupSize));
        for (int f = 0; f < groupSize; f++)
            b.u16(uint16_t(g * groupSize + f));
        b.end();
    }
    b.end(), b.end(), b.end();
}

using Builder = std::function<void(Bytes&)>;

struct Case {
    const char* what;
    Builder build;
};

// main { editor { ... }, keyframer { ... } }: the two parts' builders.
std::vector<uint8_t> model(const Builder& editor, const Builder& keyframer = nullptr)
{
    Bytes b;
    b.begin(idMain), b.begin(idEditor), editor(b), b.end();
    if (keyframer)
        b.begin(idKeyframer), keyframer(b), b.end();
    b.end();
    return b.data;
}

const Case cases[] = {
    {"80,000 empty objects (1.1 MB)",
        [](Bytes& b) {
            for (int i = 0; i < 80000; i++)
                emptyObject(b, "o");
        }},
    {"empty objects, 16 MB",
        [](Bytes& b) {
            while (!b.full(64))
                emptyObject(b, "o");
        }},
    {"8192 objects, then object nodes naming them, 16 MB",
        [](Bytes& b) {
            for (int i = 0; i < 8192; i++)
                emptyObject(b, numbered("o", i));
            b.end(), b.begin(idKeyframer);
            for (int i = 0; !b.full(64); i++) {
                b.begin(idObjectNode), b.begin(idNodeHeader), b.name(numbered("o", i % 8192));
                b.u16(0), b.u16(0), b.u16(0xFFFF), b.end(), b.end();
            }
        }},
    {"256 cameras, then camera nodes with 3-key tracks, 16 MB",
        [](Bytes& b) {
            for (int i = 0; i < 256; i++)
                camera(b, numbered("c", i));
            b.end(), b.begin(idKeyframer);
            for (int i = 0; !b.full(128); i++) {
                b.begin(idCameraNode), b.begin(idNodeHeader), b.name(numbered("c", i % 256));
                b.u16(0), b.u16(0), b.u16(0xFFFF), b.end();
                b.begin(idPositionTrack), b.u16(0), b.u32(0), b.u32(0), b.u32(3);
                for (int k = 0; k < 3; k++)
                    b.u32(uint32_t(k * 10)), b.u16(0), b.f32(float(k)), b.f32(0), b.f32(0);
                b.end(), b.end();
            }
        }},
    {"4096 materials, faces grouped by 16 across them, 16 MB",
        [](Bytes& b) {
            for (int m = 0; m < 4096; m++)
                b.begin(idMaterial), b.begin(idMaterialName), b.name(numbered("M", m)), b.end(), b.end();
            for (int o = 0; !b.full(800000); o++)
                mesh(b, numbered("o", o), 65535 - 65535 % 16, 16, 4096);
        }},
    {"faces only (3 vertices, 65535 faces per object), 16 MB",
        [](Bytes& b) {
            for (int o = 0; !b.full(600000); o++)
                mesh(b, numbered("o", o), 65535, 0, 1);
        }},
    {"vertices only (65535 per object), 16 MB",
        [](Bytes& b) {
            for (int o = 0; !b.full(800000); o++) {
                b.begin(idNamedObject), b.name("v"), b.begin(idTriangleMesh), b.begin(idVertexList),
                    b.u16(65535);
                for (int v = 0; v < 65535 * 3; v++)
                    b.f32(float(v % 1000));
                b.end(), b.begin(idFaceList), b.u16(1), b.u16(0), b.u16(1), b.u16(2), b.u16(0), b.end();
                b.end(), b.end();
            }
        }},
    {"face-material groups naming all 65535 faces, 16 MB",
        [](Bytes& b) {
            b.begin(idNamedObject), b.name("o"), b.begin(idTriangleMesh);
            b.begin(idVertexList), b.u16(3);
            for (int v = 0; v < 9; v++)
                b.f32(float(v));
            b.end(), b.begin(idFaceList), b.u16(65535);
            for (int f = 0; f < 65535; f++)
                b.u16(0), b.u16(1), b.u16(2), b.u16(0);
            for (int g = 0; !b.full(140000); g++) {
                b.begin(idFaceMaterial), b.name(numbered("M", g)), b.u16(65535);
                for (int f = 0; f < 65535; f++)
                    b.u16(uint16_t(f));
                b.end();
            }
            b.end(), b.end(), b.end();
        }},
    {"tiny unknown chunks, 16 MB",
        [](Bytes& b) {
            while (!b.full(16))
                b.begin(0x1234), b.end();
        }},
    {"tracks of 65536 keys (every 16-bit frame) for one camera, 16 MB",
        [](Bytes& b) {
            camera(b, "c");
            b.end(), b.begin(idKeyframer), b.begin(idCameraNode), b.begin(idNodeHeader), b.name("c");
            b.u16(0), b.u16(0), b.u16(0xFFFF), b.end();
            while (!b.full(65536 * 18 + 64)) {
                b.begin(idPositionTrack), b.u16(0), b.u32(0), b.u32(0), b.u32(65536);
                for (int k = 0; k < 65536; k++)
                    b.u32(uint32_t(k - 32768)), b.u16(0), b.f32(float(k)), b.f32(0), b.f32(0);
                b.end();
            }
            b.end();
        }},
    {"1024 omni lights, then colour chunks, 16 MB",
        [](Bytes& b) {
            for (int i = 0; i < 1024; i++) {
                b.begin(idNamedObject), b.name("l"), b.begin(idLight), b.f32(1), b.f32(2), b.f32(3);
                for (int c = 0; c < (i == 1023 ? 1000000 : 1) && !b.full(64); c++)
                    b.begin(idColourBytes), b.u8(1), b.u8(2), b.u8(3), b.end();
                b.end(), b.end();
            }
        }},
};

}  // namespace

int main(int argc, char** argv)
{
    std::string dir = argc > 1 ? argv[1] : ".";
    if (chdir(dir.c_str()) != 0) {
        std::perror(dir.c_str());
        return 2;
    }
    std::printf("%-60s %9s  %-36s %8s %9s\n", "entry", "bytes", "outcome", "seconds", "peak MiB");
    for (const Case& c : cases) {
        std::vector<uint8_t> entry = model(c.build);
        std::vector<uint8_t> library;
        const char name[] = "m.3ds";
        library.insert(library.end(), name, name + sizeof name);
        uint32_t size = uint32_t(entry.size());
        for (int i = 0; i < 4; i++)
            library.push_back(uint8_t(size >> (8 * i)));
        library.insert(library.end(), entry.begin(), entry.end());
        FILE* file = std::fopen("ant", "wb");
        if (!file || std::fwrite(library.data(), 1, library.size(), file) != library.size()) {
            std::perror("ant");
            return 2;
        }
        std::fclose(file);

        int out[2];
        if (pipe(out) != 0)
            return 2;
        std::fflush(stdout);
        auto start = std::chrono::steady_clock::now();
        pid_t child = fork();
        if (child == 0) {
            dup2(out[1], 1);
            close(out[0]);
            ResourceLibrary reader;
            openLibrary(reader, "ant");
            Scene* scene = createScene();
            loadModel(*scene, "m.3ds", reader);
            std::printf("loaded: %d objects, %d materials\n", scene->meshObjectCount, scene->materialCount);
            destroyScene(scene);
            std::fflush(stdout);
            _exit(0);
        }
        close(out[1]);
        std::string outcome;
        char chunk[256];
        ssize_t got;
        while ((got = read(out[0], chunk, sizeof chunk)) > 0)
            outcome.append(chunk, size_t(got));
        close(out[0]);
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        while (!outcome.empty() && (outcome.back() == '\n'))
            outcome.pop_back();
        if (outcome.rfind("[MORVEL ENGINE ERROR]:", 0) == 0)
            outcome = "refused: " + outcome.substr(22);
        std::printf("%-60s %9zu  %-36s %8.3f %9ld\n", c.what, entry.size(), outcome.c_str(), seconds,
            usage.ru_maxrss / 1024);
    }
    std::remove("ant");
    return 0;
}
