// The resources of the built program, read from veltar.exe as data.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "res/resource.h"

namespace {

struct Item {
    DWORD style;
    short x, y, cx, cy;
    int id;
    std::wstring text;  // or "#<ordinal>"
};

struct Template {
    DWORD style;
    DWORD exStyle;
    short cx, cy;
    std::wstring title;
    WORD pointSize;
    std::wstring face;
    std::vector<Item> items;
};

// Reads an extended dialog template (DLGTEMPLATEEX and its DLGITEMTEMPLATEEX items).
class TemplateReader {
public:
    explicit TemplateReader(const BYTE* data) : m_base(data), m_p(data) {}

    template <typename T>
    T Read() {
        T value;
        std::memcpy(&value, m_p, sizeof value);
        m_p += sizeof value;
        return value;
    }
    std::wstring ReadText() {
        std::wstring text;
        for (wchar_t c; (c = Read<wchar_t>()) != 0;) text += c;
        return text;
    }
    std::wstring ReadTextOrOrdinal() {
        const WORD first = Read<WORD>();
        if (first == 0xFFFF) return L"#" + std::to_wstring(Read<WORD>());
        m_p -= sizeof(WORD);
        return ReadText();
    }
    void AlignToDword() { m_p = m_base + ((m_p - m_base + 3) & ~3); }

    Template ReadTemplate() {
        Template t{};
        EXPECT_EQ(Read<WORD>(), 1);       // dlgVer
        EXPECT_EQ(Read<WORD>(), 0xFFFF);  // signature
        Read<DWORD>();                    // helpID
        t.exStyle = Read<DWORD>();
        t.style = Read<DWORD>();
        const WORD count = Read<WORD>();
        Read<short>();
        Read<short>();
        t.cx = Read<short>();
        t.cy = Read<short>();
        ReadTextOrOrdinal();  // menu
        ReadTextOrOrdinal();  // class
        t.title = ReadText();
        if (t.style & DS_SETFONT) {
            t.pointSize = Read<WORD>();
            Read<WORD>();
            Read<BYTE>();
            Read<BYTE>();
            t.face = ReadText();
        }
        for (WORD i = 0; i < count; ++i) {
            AlignToDword();
            Item item{};
            Read<DWORD>();  // helpID
            Read<DWORD>();  // exStyle
            item.style = Read<DWORD>();
            item.x = Read<short>();
            item.y = Read<short>();
            item.cx = Read<short>();
            item.cy = Read<short>();
            item.id = static_cast<int>(Read<DWORD>());
            ReadTextOrOrdinal();  // class
            item.text = ReadTextOrOrdinal();
            m_p += Read<WORD>();  // creation data
            t.items.push_back(item);
        }
        return t;
    }

private:
    const BYTE* m_base;
    const BYTE* m_p;
};

class ProgramResources : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring program(path);
        program = program.substr(0, program.find_last_of(L"\\/")) + L"\\veltar.exe";
        m_module = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(m_module, nullptr);
    }
    void TearDown() override {
        if (m_module) FreeLibrary(m_module);
    }

    const BYTE* Resource(LPCWSTR type, int id, DWORD* size = nullptr) {
        const HRSRC found = FindResourceW(m_module, MAKEINTRESOURCEW(id), type);
        if (!found) return nullptr;
        if (size) *size = SizeofResource(m_module, found);
        return static_cast<const BYTE*>(LockResource(LoadResource(m_module, found)));
    }

    HMODULE m_module = nullptr;
};

TEST_F(ProgramResources, MainDialogTemplate) {
    const BYTE* data = Resource(RT_DIALOG, IDD_MAINDLG);
    ASSERT_NE(data, nullptr);
    const Template t = TemplateReader(data).ReadTemplate();
    EXPECT_EQ(t.style, 0x00CC0048u);
    EXPECT_EQ(t.cx, 191);
    EXPECT_EQ(t.cy, 97);
    EXPECT_EQ(t.title, L"VELTAR");
    EXPECT_EQ(t.pointSize, 8);
    EXPECT_EQ(t.face, L"MS Shell Dlg");
    ASSERT_EQ(t.items.size(), 3u);
    EXPECT_EQ(t.items[0].id, ID_APP_ABOUT);
    EXPECT_EQ(t.items[0].text, L"&About");
    EXPECT_EQ(t.items[0].y, 67);
    EXPECT_EQ(t.items[1].id, IDCANCEL);
    EXPECT_EQ(t.items[1].text, L"Cancel");
    EXPECT_EQ(t.items[1].y, 46);
    EXPECT_EQ(t.items[2].id, IDOK);
    EXPECT_EQ(t.items[2].text, L"OK");
    EXPECT_EQ(t.items[2].y, 25);
    EXPECT_EQ(t.items[2].style & 0xF, static_cast<DWORD>(BS_DEFPUSHBUTTON));
    for (const Item& item : t.items) {
        EXPECT_EQ(item.x, 134);
        EXPECT_EQ(item.cx, 50);
        EXPECT_EQ(item.cy, 14);
    }
}

TEST_F(ProgramResources, AboutDialogTemplate) {
    const BYTE* data = Resource(RT_DIALOG, IDD_ABOUTBOX);
    ASSERT_NE(data, nullptr);
    const Template t = TemplateReader(data).ReadTemplate();
    EXPECT_EQ(t.style, 0x80CC0048u);
    EXPECT_EQ(t.exStyle, 0u);
    EXPECT_EQ(t.cx, 187);
    EXPECT_EQ(t.cy, 102);
    EXPECT_EQ(t.title, L"About");
    ASSERT_EQ(t.items.size(), 3u);
    EXPECT_EQ(t.items[0].style, 0x50010001u);
    EXPECT_EQ(t.items[0].id, IDOK);
    EXPECT_EQ(t.items[0].text, L"OK");
    EXPECT_EQ(t.items[1].style, 0x50020001u);
    EXPECT_EQ(static_cast<WORD>(t.items[1].id), 0xFFFF);
    EXPECT_EQ(t.items[1].text, L"" VELTAR_ABOUT_TEXT);
    EXPECT_EQ(std::count(t.items[1].text.begin(), t.items[1].text.end(), L'\n'), 2);
    EXPECT_EQ(t.items[2].style, 0x50000003u);
    EXPECT_EQ(t.items[2].text, L"#128");
    EXPECT_EQ(t.items[2].x, 55);
    EXPECT_EQ(t.items[2].cx, 20);
}

TEST_F(ProgramResources, TrayMenu) {
    const HMENU menu = LoadMenuW(m_module, MAKEINTRESOURCEW(IDR_TRAYMENU));
    ASSERT_NE(menu, nullptr);
    wchar_t text[64] = {};
    GetMenuStringW(menu, 0, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, L"MAINTRAY");
    const HMENU popup = GetSubMenu(menu, 0);
    ASSERT_EQ(GetMenuItemCount(popup), 4);
    const struct {
        UINT id;
        const wchar_t* text;
    } expected[] = {{3001, L"Show"}, {3002, L"Hide"}, {3003, L"About"}, {2, L"Quit"}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(GetMenuItemID(popup, i), expected[i].id);
        GetMenuStringW(popup, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        EXPECT_STREQ(text, expected[i].text);
        EXPECT_EQ(GetMenuState(popup, static_cast<UINT>(i), MF_BYPOSITION), 0u);  // no check, grey or separator
    }
    DestroyMenu(menu);
}

TEST_F(ProgramResources, IconGroupOfElevenThirtyTwoBitImages) {
#pragma pack(push, 2)
    struct GroupEntry {
        BYTE width, height, colours, reserved;
        WORD planes, bitCount;
        DWORD bytes;
        WORD id;
    };
#pragma pack(pop)
    const BYTE* data = Resource(RT_GROUP_ICON, IDR_MAINFRAME);
    ASSERT_NE(data, nullptr);
    WORD count = 0;
    std::memcpy(&count, data + 4, sizeof count);
    ASSERT_EQ(count, 11);
    int previous = 0;
    for (WORD i = 0; i < count; ++i) {
        GroupEntry entry;
        std::memcpy(&entry, data + 6 + i * sizeof(GroupEntry), sizeof entry);
        const int size = entry.width == 0 ? 256 : entry.width;
        EXPECT_EQ(entry.bitCount, 32);
        EXPECT_GT(size, previous);
        previous = size;
        if (i == 0) {
            EXPECT_EQ(size, 16);
        }
    }
}

TEST_F(ProgramResources, ManifestAsksForAdministratorAndCommonControlsSix) {
    DWORD size = 0;
    const BYTE* data = Resource(RT_MANIFEST, 1, &size);
    ASSERT_NE(data, nullptr);
    const std::string manifest(reinterpret_cast<const char*>(data), size);
    EXPECT_NE(manifest.find(R"(level="requireAdministrator" uiAccess="false")"), std::string::npos);
    EXPECT_NE(manifest.find(R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")"), std::string::npos);
    const char* architecture = sizeof(void*) == 4 ? R"(processorArchitecture="x86")" : R"(processorArchitecture="amd64")";
    EXPECT_NE(manifest.find(architecture), std::string::npos);
}

}  // namespace
