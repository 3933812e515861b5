// The DirectX diagnostic provider through COM, and file versions through the version resources.
#include <string>
#include <vector>

#include "platform/directx_probe.h"
#include "platform/win32/win32_api.h"

#include <objbase.h>
#include <oleauto.h>
#include <dxdiag.h>

namespace platform {

namespace {

// The provider's parameter record, header version 111. Its size is the record's own on this
// platform (16 bytes in a 32-bit program, 24 here): the provider refuses any other.
constexpr ::DWORD kInitParamsSize = sizeof(DXDIAG_INIT_PARAMS);
constexpr ::DWORD kDxDiagHeaderVersion = 111;

// Written out here: MinGW's headers declare these GUIDs without a library that defines them.
constexpr GUID kDxDiagProviderClass = {
    0xA65B8071, 0x3BFE, 0x4213, {0x9A, 0x5B, 0x49, 0x1D, 0xA4, 0x46, 0x1C, 0xA7}};
constexpr GUID kDxDiagProviderInterface = {
    0x9C6B4CB0, 0x23F8, 0x49CC, {0xA3, 0xED, 0x45, 0xA5, 0x50, 0x00, 0xA6, 0xD2}};

template <typename T>
void Release(T*& object) {
    if (object != nullptr) {
        object->Release();
        object = nullptr;
    }
}

bool ReadDword(IDxDiagContainer* container, const wchar_t* name, int& value) {
    VARIANT variant;
    VariantInit(&variant);
    bool taken = false;
    if (SUCCEEDED(container->GetProp(name, &variant)) && variant.vt == VT_UI4) {
        value = static_cast<int>(variant.ulVal);
        taken = true;
    }
    VariantClear(&variant);
    return taken;
}

bool ReadLetter(IDxDiagContainer* container, const wchar_t* name, char& letter) {
    VARIANT variant;
    VariantInit(&variant);
    bool taken = false;
    if (SUCCEEDED(container->GetProp(name, &variant)) && variant.vt == VT_BSTR &&
        variant.bstrVal != nullptr) {
        char text[10] = {};
        WideCharToMultiByte(CP_ACP, 0, variant.bstrVal, -1, text, sizeof text, nullptr, nullptr);
        text[sizeof text - 1] = '\0';
        letter = text[0];
        taken = true;
    }
    VariantClear(&variant);
    return taken;
}

std::optional<DiagnosticDirectXVersion> AskProvider() {
    IDxDiagProvider* provider = nullptr;
    if (FAILED(CoCreateInstance(kDxDiagProviderClass, nullptr, CLSCTX_INPROC_SERVER,
                                kDxDiagProviderInterface, reinterpret_cast<void**>(&provider))) ||
        provider == nullptr) {
        return std::nullopt;
    }
    DXDIAG_INIT_PARAMS params{};
    params.dwSize = kInitParamsSize;
    params.dwDxDiagHeaderVersion = kDxDiagHeaderVersion;
    params.bAllowWHQLChecks = FALSE;
    params.pReserved = nullptr;
    IDxDiagContainer* root = nullptr;
    IDxDiagContainer* systemInfo = nullptr;
    DiagnosticDirectXVersion version;
    bool complete = false;
    if (SUCCEEDED(provider->Initialize(&params)) && SUCCEEDED(provider->GetRootContainer(&root)) &&
        root != nullptr &&
        SUCCEEDED(root->GetChildContainer(L"DxDiag_SystemInfo", &systemInfo)) &&
        systemInfo != nullptr) {
        const bool major = ReadDword(systemInfo, L"dwDirectXVersionMajor", version.major);
        const bool minor = ReadDword(systemInfo, L"dwDirectXVersionMinor", version.minor);
        const bool letter = ReadLetter(systemInfo, L"szDirectXVersionLetter", version.letter);
        complete = major && minor && letter;
    }
    Release(systemInfo);
    Release(root);
    Release(provider);
    return complete ? std::optional(version) : std::nullopt;
}

class SystemDirectXProbe final : public DirectXProbe {
public:
    std::optional<DiagnosticDirectXVersion> DiagnosticVersion() override {
        const bool initialised = SUCCEEDED(CoInitialize(nullptr));
        auto version = AskProvider();
        if (initialised) {
            CoUninitialize();
        }
        return version;
    }

    std::optional<std::uint64_t> SystemFileVersion(std::string_view fileName) override {
        char folder[MAX_PATH] = {};
        const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
        folder[MAX_PATH - 1] = '\0';
        if (length == 0 || length >= MAX_PATH || fileName.find('\0') != std::string_view::npos) {
            return std::nullopt;
        }
        const std::string path = std::string(folder) + "\\" + std::string(fileName);
        ::DWORD handle = 0;
        const ::DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
        if (size == 0) {
            return std::nullopt;
        }
        std::vector<std::uint8_t> block(size);
        if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data())) {
            return std::nullopt;
        }
        void* found = nullptr;
        UINT foundSize = 0;
        if (!VerQueryValueA(block.data(), "\\", &found, &foundSize) || found == nullptr ||
            foundSize < sizeof(VS_FIXEDFILEINFO)) {
            return std::nullopt;
        }
        const auto* info = static_cast<const VS_FIXEDFILEINFO*>(found);
        return std::uint64_t{info->dwFileVersionMS} << 32 | info->dwFileVersionLS;
    }
};

}  // namespace

DirectXProbe& DirectXProbe::System() {
    static SystemDirectXProbe probe;
    return probe;
}

}  // namespace platform
