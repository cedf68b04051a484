// pomfy.exe as built: a GUI program that needs no DLL beside it, with its
// icon, version information and a manifest that declares it DPI-aware.
// Reads the pomfy.exe next to this test program.
#include <gtest/gtest.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

std::string ProgramPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p = path;
    return p.substr(0, p.find_last_of("\\/") + 1) + "pomfy.exe";
}

std::vector<unsigned char> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

template <typename T>
bool Read(const std::vector<unsigned char>& file, size_t offset, T& out) {
    if (offset > file.size() || file.size() - offset < sizeof(T)) return false;
    std::memcpy(&out, file.data() + offset, sizeof(T));
    return true;
}

struct PeImage {
    std::vector<unsigned char> file;
    IMAGE_NT_HEADERS64 nt = {};
    std::vector<IMAGE_SECTION_HEADER> sections;

    bool Load(const std::string& path) {
        file = ReadFile(path);
        IMAGE_DOS_HEADER dos;
        if (!Read(file, 0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE) return false;
        if (!Read(file, static_cast<size_t>(dos.e_lfanew), nt) || nt.Signature != IMAGE_NT_SIGNATURE)
            return false;
        const size_t first = static_cast<size_t>(dos.e_lfanew) + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                             nt.FileHeader.SizeOfOptionalHeader;
        for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
            IMAGE_SECTION_HEADER s;
            if (!Read(file, first + i * sizeof s, s)) return false;
            sections.push_back(s);
        }
        return true;
    }

    // File offset of a virtual address, 0 when no section holds it.
    size_t Offset(DWORD rva) const {
        for (const IMAGE_SECTION_HEADER& s : sections)
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.SizeOfRawData)
                return rva - s.VirtualAddress + s.PointerToRawData;
        return 0;
    }

    std::string StringAt(DWORD rva) const {
        std::string out;
        for (size_t at = Offset(rva); at != 0 && at < file.size() && file[at] != 0; ++at)
            out += static_cast<char>(file[at]);
        return out;
    }

    std::vector<std::string> ImportedDlls() const {
        std::vector<std::string> names;
        const IMAGE_DATA_DIRECTORY& dir = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        size_t at = Offset(dir.VirtualAddress);
        if (at == 0) return names;
        for (IMAGE_IMPORT_DESCRIPTOR d; Read(file, at, d) && d.Name != 0; at += sizeof d)
            names.push_back(StringAt(d.Name));
        return names;
    }
};

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

TEST(Program, IsAGuiProgramThatNeedsOnlySystemDlls) {
    PeImage image;
    ASSERT_TRUE(image.Load(ProgramPath())) << ProgramPath();
    EXPECT_EQ(image.nt.FileHeader.Machine, IMAGE_FILE_MACHINE_AMD64);
    EXPECT_EQ(image.nt.OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI) << "no console window";
    const std::set<std::string> system = {"KERNEL32.DLL", "USER32.DLL",   "GDI32.DLL",
                                          "SHELL32.DLL",  "WINMM.DLL",    "MSVCRT.DLL",
                                          "ADVAPI32.DLL", "UCRTBASE.DLL", "NTDLL.DLL"};
    const std::vector<std::string> dlls = image.ImportedDlls();
    EXPECT_FALSE(dlls.empty());
    for (const std::string& dll : dlls) {
        const std::string name = Upper(dll);
        EXPECT_TRUE(system.count(name) || name.rfind("API-MS-WIN-", 0) == 0)
            << dll << " is not a part of Windows: it would have to ship beside pomfy.exe";
    }
}

struct Resources : ::testing::Test {
    HMODULE module = nullptr;
    void SetUp() override {
        module = LoadLibraryExA(ProgramPath().c_str(), nullptr,
                                LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module, nullptr) << ProgramPath();
    }
    void TearDown() override {
        if (module != nullptr) FreeLibrary(module);
    }
    std::string Resource(LPCSTR type, int id) const {
        HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
        if (found == nullptr) return std::string();
        HGLOBAL loaded = LoadResource(module, found);
        const char* data = static_cast<const char*>(LockResource(loaded));
        return data == nullptr ? std::string() : std::string(data, SizeofResource(module, found));
    }
};

TEST_F(Resources, TheManifestDeclaresTheProgramDpiAware) {
    const std::string manifest = Resource(MAKEINTRESOURCEA(24), 1);
    ASSERT_FALSE(manifest.empty()) << "no application manifest";
    EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
    EXPECT_NE(manifest.find(">PerMonitorV2</dpiAwareness>"), std::string::npos);
    EXPECT_NE(manifest.find("http://schemas.microsoft.com/SMI/2005/WindowsSettings"), std::string::npos);
    EXPECT_NE(manifest.find("http://schemas.microsoft.com/SMI/2016/WindowsSettings"), std::string::npos);
}

TEST_F(Resources, TheIconHasTheSmallAndTheLargeSize) {
    const std::string group = Resource(MAKEINTRESOURCEA(14), 1);  // RT_GROUP_ICON
    ASSERT_GE(group.size(), 6u) << "no icon";
    const auto word = [&](size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(group[at])) |
               static_cast<unsigned>(static_cast<unsigned char>(group[at + 1])) << 8;
    };
    const unsigned count = word(4);
    ASSERT_EQ(group.size(), 6u + 14u * count);
    std::set<unsigned> sizes;
    for (unsigned i = 0; i < count; ++i) {
        const unsigned width = static_cast<unsigned char>(group[6 + 14 * i]);
        sizes.insert(width == 0 ? 256 : width);
    }
    EXPECT_TRUE(sizes.count(16)) << "the taskbar's and title bars' size";
    EXPECT_TRUE(sizes.count(32)) << "the desktop's size";
    HICON icon = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(1), IMAGE_ICON, 32, 32, 0));
    EXPECT_NE(icon, nullptr);
    if (icon != nullptr) DestroyIcon(icon);
}

TEST(Version, NamesPomfy100) {
    const std::string path = ProgramPath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version information";
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    const auto text = [&](const char* name) {
        char* value = nullptr;
        UINT n = 0;
        const std::string key = std::string("\\StringFileInfo\\040904B0\\") + name;
        if (!VerQueryValueA(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &n) || !value)
            return std::string();
        return std::string(value);
    };
    EXPECT_EQ(text("ProductName"), "Pomfy");
    EXPECT_EQ(text("FileDescription"), "Pomfy");
    EXPECT_EQ(text("ProductVersion"), "1.0.0");
    EXPECT_EQ(text("FileVersion"), "1.0.0");
    EXPECT_EQ(text("OriginalFilename"), "pomfy.exe");
}

}  // namespace
