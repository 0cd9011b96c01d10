// The link box on a live window: link rectangles, hover underline and cursor after simulated
// mouse input, presses opening links through the shell or the registry fallback, and a
// screenshot of what it draws.
#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ui/form_win.h"
#include "ui/link_box_win.h"
#include "ui/link_open_win.h"
#include "wine/support/screen_pixels.h"
#include "wine/support/wine_support.h"

namespace qv {
namespace {

using testing::Drawn;
using testing::Pixels;
using testing::PumpFor;
using testing::WaitUntil;
using testing::WindowPixels;

// What the stand-ins for the shell and the process start saw.
struct Opened {
    std::vector<std::string> shellTargets;
    std::vector<HWND> shellOwners;
    std::vector<std::string> commandLines;
    INT_PTR shellResult = 42;
};
Opened opened;

INT_PTR RecordShellOpen(HWND owner, const char* target) {
    opened.shellOwners.push_back(owner);
    opened.shellTargets.push_back(target);
    return opened.shellResult;
}

bool RecordCommand(const char* commandLine) {
    opened.commandLines.push_back(commandLine);
    return true;
}

std::optional<std::string> DefaultValue(HKEY root, const std::string& path) {
    char value[1024] = {};
    DWORD size = sizeof value;
    if (RegGetValueA(root, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::string(value);
}

bool SetDefaultValue(HKEY root, const std::string& path, const std::string& value) {
    return RegSetKeyValueA(root, path.c_str(), nullptr, REG_SZ, value.c_str(),
                           static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

// A key's default value set for one scope under `root` + `prefix`, then put back as it was:
// a key the override made is removed with everything below it.
class ClassOverride {
  public:
    ClassOverride(HKEY root, const std::string& prefix, const std::string& subkey,
                  const std::string& value)
        : root_(root), path_(prefix + subkey) {
        // The outermost key of the path that does not exist yet is the one to remove.
        for (std::size_t end = 0; end != std::string::npos && created_.empty();) {
            end = subkey.find('\\', end + 1);
            const std::string part = prefix + subkey.substr(0, end);
            HKEY key = nullptr;
            if (RegOpenKeyExA(root_, part.c_str(), 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
                RegCloseKey(key);
            } else {
                created_ = part;
            }
        }
        previous_ = created_.empty() ? DefaultValue(root_, path_) : std::nullopt;
        ok_ = SetDefaultValue(root_, path_, value);
    }
    ~ClassOverride() {
        if (!created_.empty()) {
            RegDeleteTreeA(root_, created_.c_str());
            RegDeleteKeyA(root_, created_.c_str());
        } else if (previous_) {
            SetDefaultValue(root_, path_, *previous_);
        } else {
            RegDeleteKeyValueA(root_, path_.c_str(), nullptr);
        }
    }
    ClassOverride(const ClassOverride&) = delete;
    ClassOverride& operator=(const ClassOverride&) = delete;
    bool Ok() const { return ok_; }

  private:
    HKEY root_;
    std::string path_;
    std::string created_;
    bool ok_ = false;
    std::optional<std::string> previous_;
};

// A test class for HTML documents, with an open command when one is given, set where the
// classes root reads it: the user's classes, which shadow the machine's on Windows; Wine does
// not merge the two, so there the classes root itself. Put back as it was afterwards.
class HtmlClassSetup {
  public:
    HtmlClassSetup(const std::string& htmlClass, const std::optional<std::string>& command) {
        const struct {
            HKEY root;
            const char* prefix;
        } places[] = {{HKEY_CURRENT_USER, "Software\\Classes\\"}, {HKEY_CLASSES_ROOT, ""}};
        const std::string commandKey = htmlClass + "\\shell\\open\\command";
        for (const auto& place : places) {
            overrides_.push_back(
                std::make_unique<ClassOverride>(place.root, place.prefix, ".htm", htmlClass));
            if (command) {
                overrides_.push_back(std::make_unique<ClassOverride>(place.root, place.prefix,
                                                                     commandKey, *command));
            }
            const bool written = std::all_of(overrides_.begin(), overrides_.end(),
                                             [](const auto& o) { return o->Ok(); });
            if (written && DefaultValue(HKEY_CLASSES_ROOT, ".htm") == htmlClass &&
                (!command || DefaultValue(HKEY_CLASSES_ROOT, commandKey) == *command)) {
                return;
            }
            Undo();
        }
    }
    ~HtmlClassSetup() { Undo(); }
    HtmlClassSetup(const HtmlClassSetup&) = delete;
    HtmlClassSetup& operator=(const HtmlClassSetup&) = delete;
    bool Ok() const { return !overrides_.empty(); }

  private:
    void Undo() {
        while (!overrides_.empty()) {
            overrides_.pop_back();  // latest first
        }
    }
    std::vector<std::unique_ptr<ClassOverride>> overrides_;
};

// The box's client area as drawn by the box itself, 32-bit pixels top-down.
struct Screenshot : Pixels {
    int R(int x, int y) const { return (At(x, y) >> 16) & 0xff; }
    int G(int x, int y) const { return (At(x, y) >> 8) & 0xff; }
    int B(int x, int y) const { return At(x, y) & 0xff; }
    bool Blue(int x, int y) const { return B(x, y) >= 160 && R(x, y) <= 90 && G(x, y) <= 90; }
    bool Black(int x, int y) const { return R(x, y) <= 80 && G(x, y) <= 80 && B(x, y) <= 80; }

    template <typename Pred>
    int Count(const Rect& r, Pred pred) const {
        int n = 0;
        for (int y = std::max(r.top, 0); y < std::min(r.bottom, height); ++y) {
            for (int x = std::max(r.left, 0); x < std::min(r.right, width); ++x) {
                n += pred(x, y) ? 1 : 0;
            }
        }
        return n;
    }

    // True when some row of `r` is blue across at least 80% of its width: an underline.
    bool Underlined(const Rect& r) const {
        for (int y = std::max(r.top, 0); y < std::min(r.bottom, height); ++y) {
            const int blue = Count(Rect{r.left, y, r.right, y + 1},
                                   [this](int px, int py) { return Blue(px, py); });
            if (blue * 5 >= (std::min(r.right, width) - r.left) * 4) {
                return true;
            }
        }
        return false;
    }
};

Screenshot Capture(HWND window, Drawn how) {
    Screenshot shot;
    static_cast<Pixels&>(shot) = WindowPixels(window, how);
    return shot;
}

POINT Centre(const Rect& r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

LPARAM At(POINT p) {
    return MAKELPARAM(p.x, p.y);
}

class LinkBoxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        opened = Opened();
        TheLinkOpenHooks() = LinkOpenHooks{&RecordShellOpen, &RecordCommand};
        WNDCLASSA cls = {};
        cls.lpfnWndProc = DefWindowProcA;
        cls.hInstance = GetModuleHandleA(nullptr);
        cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        cls.lpszClassName = "QvLinkBoxTestHost";
        RegisterClassA(&cls);
        // Keep the real pointer off the box: only the messages the tests send may move it.
        SetCursorPos(0, 0);
        host_ = CreateWindowExA(WS_EX_TOPMOST, cls.lpszClassName, "link box",
                                WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 40, 40, 560, 180, nullptr,
                                nullptr, cls.hInstance, nullptr);
        ASSERT_NE(host_, nullptr);
        form_ = std::make_unique<FormWindow>(
            [](Handler, std::intptr_t, std::intptr_t) { return std::intptr_t{0}; });
        const UnitRecord* record = FindUnit(Unit::简单超文本框1);
        ASSERT_NE(record, nullptr);
        unit_ = MakeSimpleHtmlUnit(*form_, *record);
        ASSERT_TRUE(unit_->Create(host_, static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))));
        box_ = unit_->Handle();
        UpdateWindow(host_);
        links_ = LinkBoxLinks(box_);
        ASSERT_NE(links_, nullptr);
        ASSERT_EQ(links_->size(), 2u);
    }
    void TearDown() override {
        TheLinkOpenHooks() = LinkOpenHooks{};
        if (host_) {
            DestroyWindow(host_);
        }
        unit_.reset();
        PumpFor(10);
    }

    Rect LinkRect(std::size_t i) const { return (*links_)[i].rect; }
    POINT Gap() const {
        return {(LinkRect(0).right + LinkRect(1).left) / 2, Centre(LinkRect(0)).y};
    }
    POINT BodyText() const { return {LinkRect(0).left / 2, Centre(LinkRect(0)).y}; }

    void MoveTo(POINT p) {
        SendMessageA(box_, WM_MOUSEMOVE, 0, At(p));
        UpdateWindow(box_);
    }
    void Press(POINT p) {
        SendMessageA(box_, WM_LBUTTONDOWN, MK_LBUTTON, At(p));
        SendMessageA(box_, WM_LBUTTONUP, 0, At(p));
    }
    // Puts the real pointer on a point of the box and asks the box for its cursor; false
    // when the display does not let the pointer move.
    bool CursorUpdateAt(POINT p) {
        POINT screen = p;
        ClientToScreen(box_, &screen);
        if (!qv::testing::PlaceCursor(screen.x, screen.y)) {
            return false;
        }
        SendMessageA(box_, WM_SETCURSOR, reinterpret_cast<WPARAM>(box_),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return true;
    }

    HWND host_ = nullptr;
    HWND box_ = nullptr;
    std::unique_ptr<FormWindow> form_;
    std::unique_ptr<UnitControl> unit_;
    const std::vector<LinkRecord>* links_ = nullptr;
};

TEST_F(LinkBoxTest, BoxSitsAtItsFormPlaceWithTwoUrlLinks) {
    RECT rc;
    GetWindowRect(box_, &rc);
    MapWindowPoints(HWND_DESKTOP, host_, reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.left, 290);
    EXPECT_EQ(rc.top, 100);
    EXPECT_EQ(rc.right - rc.left, 211);
    EXPECT_EQ(rc.bottom - rc.top, 16);

    const LinkRecord& usage = (*links_)[0];
    const LinkRecord& forum = (*links_)[1];
    EXPECT_EQ(usage.kind, LinkKind::Url);
    EXPECT_EQ(forum.kind, LinkKind::Url);
    EXPECT_EQ(usage.target, QV_USAGE_URL);
    EXPECT_EQ(forum.target, QV_FORUM_URL);
    // After "相关连接：", one line, the two spaces between them, both non-empty.
    EXPECT_GT(usage.rect.left, 0);
    EXPECT_GT(usage.rect.right, usage.rect.left);
    EXPECT_GT(forum.rect.left, usage.rect.right);
    EXPECT_GT(forum.rect.right, forum.rect.left);
    EXPECT_EQ(usage.rect.top, forum.rect.top);
    EXPECT_EQ(usage.rect.bottom, forum.rect.bottom);
    EXPECT_GE(usage.rect.top, 0);
    EXPECT_LE(usage.rect.bottom, 16 + 2);
    EXPECT_EQ(LinkBoxHover(box_), kNoLink);
}

TEST_F(LinkBoxTest, MouseMovesUnderlineTheLinkUnderThePointerOnly) {
    const struct {
        const char* step;
        std::optional<POINT> to;  // nullopt: the pointer leaves the box
        int hover;
        bool usageUnderlined, forumUnderlined;
    } steps[] = {
        {"start", {}, kNoLink, false, false},
        {"onto the usage link", Centre(LinkRect(0)), 0, true, false},
        {"on to the forum link", Centre(LinkRect(1)), 1, false, true},
        {"between the links", Gap(), kNoLink, false, false},
        {"back onto the usage link", Centre(LinkRect(0)), 0, true, false},
        {"over the plain text", BodyText(), kNoLink, false, false},
        {"onto the forum link again", Centre(LinkRect(1)), 1, false, true},
        {"out of the box", {}, kNoLink, false, false},
    };
    for (const auto& step : steps) {
        if (step.to) {
            MoveTo(*step.to);
        } else {
            SendMessageA(box_, WM_MOUSELEAVE, 0, 0);
            UpdateWindow(box_);
        }
        EXPECT_EQ(LinkBoxHover(box_), step.hover) << step.step;
        const Screenshot shot = Capture(box_, Drawn::OnScreen);
        EXPECT_EQ(shot.Underlined(LinkRect(0)), step.usageUnderlined) << step.step;
        EXPECT_EQ(shot.Underlined(LinkRect(1)), step.forumUnderlined) << step.step;
    }
}

TEST_F(LinkBoxTest, PointerIsTheLinkCursorOverLinksAndTheArrowElsewhere) {
    const HCURSOR arrow = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    const HCURSOR link = LinkBoxCursor(box_);
    ASSERT_NE(link, nullptr);
    EXPECT_NE(link, arrow);
    const struct {
        const char* where;
        POINT at;
        HCURSOR expected;
        int hover;
    } rows[] = {
        {"usage link", Centre(LinkRect(0)), link, 0},
        {"between the links", Gap(), arrow, kNoLink},
        {"forum link", Centre(LinkRect(1)), link, 1},
        {"plain text", BodyText(), arrow, kNoLink},
        {"right of the links", {LinkRect(1).right + 1, Centre(LinkRect(1)).y}, arrow, kNoLink},
    };
    for (const auto& row : rows) {
        if (!CursorUpdateAt(row.at)) {
            GTEST_SKIP() << "the display does not move the pointer";
        }
        EXPECT_EQ(GetCursor(), row.expected) << row.where;
        EXPECT_EQ(LinkBoxHover(box_), row.hover) << row.where;
    }
}

TEST_F(LinkBoxTest, PressOnALinkOpensItsTargetWithTheShell) {
    Press(Gap());
    Press(BodyText());
    EXPECT_TRUE(opened.shellTargets.empty()) << "a press outside the links opened something";

    Press(Centre(LinkRect(1)));
    Press(Centre(LinkRect(0)));
    EXPECT_EQ(opened.shellTargets, (std::vector<std::string>{QV_FORUM_URL, QV_USAGE_URL}));
    EXPECT_EQ(opened.shellOwners, (std::vector<HWND>{box_, box_}));
    EXPECT_TRUE(opened.commandLines.empty()) << "the shell succeeded, no fallback wanted";
}

TEST_F(LinkBoxTest, FailingShellRunsTheHtmlClassCommandCutBeforeThePlaceholder) {
    const HtmlClassSetup html("QvLinkBoxTest.htm", "\"C:\\QvTest\\viewer.exe\" -new \"%1\" -tail");
    ASSERT_TRUE(html.Ok());
    opened.shellResult = SE_ERR_NOASSOC;
    Press(Centre(LinkRect(0)));
    EXPECT_EQ(opened.shellTargets, std::vector<std::string>{QV_USAGE_URL});
    EXPECT_EQ(opened.commandLines,
              std::vector<std::string>{"\"C:\\QvTest\\viewer.exe\" -new  " QV_USAGE_URL});

    // A shell result of exactly 32 is a failure too.
    opened.shellResult = 32;
    Press(Centre(LinkRect(1)));
    ASSERT_EQ(opened.commandLines.size(), 2u);
    EXPECT_EQ(opened.commandLines[1], "\"C:\\QvTest\\viewer.exe\" -new  " QV_FORUM_URL);
}

TEST_F(LinkBoxTest, FallbackStopsWhenTheClassHasNoOpenCommand) {
    const HtmlClassSetup html("QvLinkBoxTest.missing", std::nullopt);
    ASSERT_TRUE(html.Ok());
    opened.shellResult = SE_ERR_FNF;
    Press(Centre(LinkRect(0)));
    EXPECT_EQ(opened.shellTargets.size(), 1u);
    EXPECT_TRUE(opened.commandLines.empty());
}

TEST_F(LinkBoxTest, FallbackCommandIsReallyStarted) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string marker = std::string(temp) + "qv_link_box_opened.txt";
    DeleteFileA(marker.c_str());
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    const HtmlClassSetup html("QvLinkBoxTest.htm", "\"" + std::string(system) +
                                                       "\\cmd.exe\" /c echo>\"" + marker + "\" %1");
    ASSERT_TRUE(html.Ok());
    TheLinkOpenHooks().startCommand = nullptr;  // the real start
    opened.shellResult = SE_ERR_NOASSOC;
    Press(Centre(LinkRect(1)));
    std::string written;
    EXPECT_TRUE(WaitUntil(
        [&] {
            std::ifstream in(marker);
            std::getline(in, written);
            return written.find(QV_FORUM_URL) != std::string::npos;
        },
        20000))
        << "marker holds: " << written;
    DeleteFileA(marker.c_str());
}

TEST_F(LinkBoxTest, ScreenshotShowsBlackTextAndBlueLinks) {
    UpdateWindow(box_);
    const Screenshot shot = Capture(box_, Drawn::Printed);
    ASSERT_EQ(shot.width, 211);
    ASSERT_EQ(shot.height, 16);
    const std::string path = testing::ProgramDirectory() + "\\link_box.bmp";
    EXPECT_TRUE(shot.SaveBmp(path)) << path;

    const Rect body = {0, 0, LinkRect(0).left, 16};
    const auto blue = [&](int x, int y) { return shot.Blue(x, y); };
    const auto black = [&](int x, int y) { return shot.Black(x, y); };
    EXPECT_GT(shot.Count(body, black), 20) << "no black text for 相关连接：";
    EXPECT_EQ(shot.Count(body, blue), 0);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_GT(shot.Count(LinkRect(i), blue), 20) << "link " << i << " shows no blue text";
        EXPECT_EQ(shot.Count(LinkRect(i), black), 0) << "link " << i << " has black text";
        EXPECT_FALSE(shot.Underlined(LinkRect(i))) << "link " << i << " underlined unhovered";
    }
    const Rect gap = {LinkRect(0).right, 0, LinkRect(1).left, 16};
    EXPECT_EQ(shot.Count(gap, blue) + shot.Count(gap, black), 0) << "the two spaces show ink";
}

}  // namespace
}  // namespace qv
