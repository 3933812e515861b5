// udfconvert: converts a glTF scene exported from Blender into clock.UDF and the c<N>.cam camera
// paths. Every file is built in memory first and written only when all of them could be, so a
// failure leaves no partial output.
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "scene_converter.h"

namespace {

constexpr const char* kUsage =
    "usage: udfconvert <in.gltf> <out-folder>\n"
    "Converts a glTF scene (Blender, Z up, metres) into <out-folder>/clock.UDF and one\n"
    "<out-folder>/c<N>.cam per camera node named c<N>. Exit status 0 on success, 1 on any\n"
    "failure (one line on stderr, nothing written).\n";

bool WriteAll(const std::filesystem::path& folder, const std::vector<udfconvert::OutputFile>& files,
              std::string& error) {
    std::error_code code;
    std::filesystem::create_directories(folder, code);
    if (code) {
        error = "cannot create " + folder.string() + ": " + code.message();
        return false;
    }
    std::vector<std::filesystem::path> temporary;
    auto removeTemporary = [&] {
        for (const auto& path : temporary) {
            std::error_code ignored;
            std::filesystem::remove(path, ignored);
        }
    };
    for (const auto& file : files) {
        const std::filesystem::path path = folder / ("." + file.name + ".partial");
        temporary.push_back(path);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.bytes.data()),
                  std::streamsize(file.bytes.size()));
        out.close();
        if (!out) {
            error = "cannot write " + path.string();
            removeTemporary();
            return false;
        }
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::filesystem::rename(temporary[i], folder / files[i].name, code);
        if (code) {
            error = "cannot write " + (folder / files[i].name).string() + ": " + code.message();
            removeTemporary();
            return false;
        }
    }
    return true;
}

int Run(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc != 3) {
        std::fputs("udfconvert: expected <in.gltf> <out-folder> (see --help)\n", stderr);
        return 1;
    }
    std::vector<udfconvert::OutputFile> files;
    std::string error;
    udfconvert::SceneConverter converter;
    if (!converter.Convert(argv[1], files, error) || !WriteAll(argv[2], files, error)) {
        std::fprintf(stderr, "udfconvert: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Nothing may escape as a crash: out of memory inside the importer ends here too.
    try {
        return Run(argc, argv);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "udfconvert: %s\n", failure.what());
    } catch (...) {
        std::fputs("udfconvert: conversion failed\n", stderr);
    }
    return 1;
}
