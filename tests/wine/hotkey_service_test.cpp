// The global hotkey service against real windows. The service state lives for the whole
// process, so every test releases what it registers; the run's first identifier is taken
// before any test, whatever their order.
#include <windows.h>

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "desktop/desktop_ids.h"
#include "desktop/hotkey_service_win.h"
#include "ui/form_table.h"
#include "ui/form_win.h"
#include "ui/unit_win.h"
#include "wine/support/wine_support.h"

namespace qv::testing {
namespace {

struct Received {
    HWND window;
    WPARAM wParam;
    LPARAM lParam;
};

// Everything the test windows see, in order: WM_HOTKEY at the owner's own procedure and
// the feedback message at a label.
std::vector<Received> g_ownerHotkeys;
std::vector<Received> g_feedback;
// Run by a label on feedback, inside the service's synchronous send.
void (*g_onFeedback)(WPARAM) = nullptr;

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_HOTKEY) {
        g_ownerHotkeys.push_back({hwnd, wParam, lParam});
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK LabelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kHotkeyFeedbackMessage) {
        g_feedback.push_back({hwnd, wParam, lParam});
        if (g_onFeedback) {
            g_onFeedback(wParam);
        }
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK ForeignProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

WNDPROC ProcOf(HWND window) {
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
}

// Keys nobody else under the test display holds.
constexpr UINT kKeyA = VK_F13;
constexpr UINT kKeyB = VK_F14;

// The first registration of the run, made before any test.
int g_firstId = 0;

class FirstRegistration : public ::testing::Environment {
  public:
    void SetUp() override {
        HWND owner = MakeHostWindow("QvHotkeyOwner", "", &OwnerProc);
        HWND label = MakeHostWindow("QvHotkeyLabel", "", &LabelProc);
        g_firstId = RegisterGlobalHotkey(owner, label, 0, kKeyA);
        UnregisterGlobalHotkey(owner, g_firstId);
        DestroyWindow(label);
        DestroyWindow(owner);
    }
};
[[maybe_unused]] const auto* const g_firstRegistration =
    ::testing::AddGlobalTestEnvironment(new FirstRegistration);

class HotkeyServiceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(TheHotkeyService().registeredCount, 0) << "an earlier test left a key";
        ASSERT_EQ(TheHotkeyService().previousProc, nullptr);
        owner_ = MakeHostWindow("QvHotkeyOwner", "", &OwnerProc);
        label_ = MakeHostWindow("QvHotkeyLabel", "", &LabelProc);
        ASSERT_NE(owner_, nullptr);
        ASSERT_NE(label_, nullptr);
        ownerProc_ = ProcOf(owner_);
        g_ownerHotkeys.clear();
        g_feedback.clear();
        g_onFeedback = nullptr;
    }
    void TearDown() override {
        g_onFeedback = nullptr;
        DestroyWindow(label_);
        DestroyWindow(owner_);
    }

    // Posts WM_HOTKEY as the system would and waits until the owner's procedure has it.
    void PressHotkey(WPARAM id) {
        const std::size_t before = g_ownerHotkeys.size();
        PostMessageA(owner_, WM_HOTKEY, id, MAKELPARAM(0, kKeyA));
        ASSERT_TRUE(WaitUntil([&] { return g_ownerHotkeys.size() > before; }));
        EXPECT_EQ(g_ownerHotkeys.back().wParam, id) << "passed on unchanged";
    }

    HWND owner_ = nullptr;
    HWND label_ = nullptr;
    WNDPROC ownerProc_ = nullptr;
};

TEST_F(HotkeyServiceTest, IdentifiersGrowWithEveryRegistrationAndAreNeverReused) {
    EXPECT_EQ(g_firstId, 33001);
    const int first = RegisterGlobalHotkey(owner_, label_, 0, kKeyA);
    EXPECT_GT(first, g_firstId) << "an identifier came back after its release";
    EXPECT_TRUE(UnregisterGlobalHotkey(owner_, first));
    const int second = RegisterGlobalHotkey(owner_, label_, 0, kKeyA);
    EXPECT_EQ(second, first + 1);
    EXPECT_TRUE(UnregisterGlobalHotkey(owner_, second));
}

TEST_F(HotkeyServiceTest, ProcedureSitsInFrontWhileAnyKeyIsRegistered) {
    const int a = RegisterGlobalHotkey(owner_, label_, 0, kKeyA);
    EXPECT_EQ(ProcOf(owner_), &HotkeyWindowProc);
    EXPECT_EQ(TheHotkeyService().previousProc, ownerProc_);
    const int b = RegisterGlobalHotkey(owner_, label_, 0, kKeyB);
    EXPECT_EQ(TheHotkeyService().previousProc, ownerProc_) << "installed only once";
    EXPECT_EQ(TheHotkeyService().registeredCount, 2);

    UnregisterGlobalHotkey(owner_, a);
    EXPECT_EQ(ProcOf(owner_), &HotkeyWindowProc);
    UnregisterGlobalHotkey(owner_, b);
    EXPECT_EQ(ProcOf(owner_), ownerProc_);
    EXPECT_EQ(TheHotkeyService().previousProc, nullptr);
}

TEST_F(HotkeyServiceTest, HotkeyInRangeReachesTheLabelUnitAsFeedback) {
    // The form's own hidden label turns the message into its feedback event.
    std::vector<std::pair<std::intptr_t, std::intptr_t>> events;
    FormWindow form([&](Handler handler, std::intptr_t a, std::intptr_t b) -> std::intptr_t {
        if (handler == Handler::HotkeyFeedback) {
            events.emplace_back(a, b);
        }
        return 0;
    });
    std::unique_ptr<UnitControl> label = MakeUnitControl(form, *FindUnit(Unit::标签_热键标签));
    ASSERT_TRUE(label->Create(owner_, nullptr));

    const int id = RegisterGlobalHotkey(owner_, label->Handle(), 0, kKeyA);
    ASSERT_NE(id, 0);
    PressHotkey(static_cast<WPARAM>(id));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].first, id);
    EXPECT_EQ(events[0].second, 0) << "lParam of WM_HOTKEY is not passed on";

    for (WPARAM outside : {WPARAM(0), WPARAM(kHotkeyIdBase), WPARAM(id + 1),
                           static_cast<WPARAM>(-2) /* IDHOT_SNAPDESKTOP */}) {
        PressHotkey(outside);
    }
    EXPECT_EQ(events.size(), 1u) << "identifiers outside the issued range are not reported";
    UnregisterGlobalHotkey(owner_, id);
    DestroyWindow(label->Handle());
}

TEST_F(HotkeyServiceTest, EveryKeyReportsToTheLabelOfTheLatestRegistration) {
    const HWND second = MakeHostWindow("QvHotkeyLabel", "", &LabelProc);
    const int a = RegisterGlobalHotkey(owner_, label_, 0, kKeyA);
    const int b = RegisterGlobalHotkey(owner_, second, 0, kKeyB);
    PressHotkey(static_cast<WPARAM>(a));
    PressHotkey(static_cast<WPARAM>(b));
    ASSERT_EQ(g_feedback.size(), 2u);
    EXPECT_EQ(g_feedback[0].window, second);
    EXPECT_EQ(g_feedback[0].wParam, static_cast<WPARAM>(a));
    EXPECT_EQ(g_feedback[1].window, second);
    EXPECT_EQ(g_feedback[1].wParam, static_cast<WPARAM>(b));
    UnregisterGlobalHotkey(owner_, a);
    UnregisterGlobalHotkey(owner_, b);
    DestroyWindow(second);
}

// The system refuses a second registration of a combination that is held, so holding the
// key the service registered shows which modifiers it passed.
TEST_F(HotkeyServiceTest, ModifierCodesTranslateToSystemModifiers) {
    const HWND other = MakeHostWindow("QvHotkeyOwner", "", &OwnerProc);
    const struct {
        int code;
        UINT system;
        UINT notSystem;
    } rows[] = {{1, MOD_CONTROL, MOD_ALT}, {4, MOD_ALT, MOD_CONTROL}, {0, 0, MOD_SHIFT}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.code);
        const int id = RegisterGlobalHotkey(owner_, label_, row.code, VK_F9);
        ASSERT_NE(id, 0);
        EXPECT_FALSE(RegisterHotKey(other, 1, row.system, VK_F9)) << "held by the service";
        EXPECT_TRUE(RegisterHotKey(other, 2, row.notSystem, VK_F9));
        UnregisterHotKey(other, 2);
        UnregisterGlobalHotkey(owner_, id);
        EXPECT_TRUE(RegisterHotKey(other, 3, row.system, VK_F9)) << "released again";
        UnregisterHotKey(other, 3);
    }
    DestroyWindow(other);
}

TEST_F(HotkeyServiceTest, RefusedKeyReturnsZeroYetInstallsAndUnregisteringZeroRemoves) {
    const HWND other = MakeHostWindow("QvHotkeyOwner", "", &OwnerProc);
    ASSERT_TRUE(RegisterHotKey(other, 7, MOD_CONTROL | MOD_ALT, VK_F10));
    const std::uint32_t issued = TheHotkeyService().issuedCount;
    EXPECT_EQ(RegisterGlobalHotkey(owner_, label_, 5, VK_F10), 0);
    EXPECT_EQ(TheHotkeyService().issuedCount, issued + 1) << "the identifier is used up";
    EXPECT_EQ(ProcOf(owner_), &HotkeyWindowProc);
    UnregisterGlobalHotkey(owner_, 0);
    EXPECT_EQ(ProcOf(owner_), ownerProc_);
    UnregisterHotKey(other, 7);
    DestroyWindow(other);
}

TEST_F(HotkeyServiceTest, FeedbackThatReleasesTheLastKeyStillPassesTheMessageOn) {
    static HWND owner;
    owner = owner_;
    g_onFeedback = [](WPARAM id) { UnregisterGlobalHotkey(owner, static_cast<int>(id)); };
    const int id = RegisterGlobalHotkey(owner_, label_, 0, kKeyA);
    PressHotkey(static_cast<WPARAM>(id));  // fails unless the owner's procedure got it
    EXPECT_EQ(g_feedback.size(), 1u);
    EXPECT_EQ(ProcOf(owner_), ownerProc_);
}

// The tray procedure puts the framework's procedure back on WM_DESTROY, which takes ours out
// of the chain; a later release must not write the stale procedure over the current one.
TEST_F(HotkeyServiceTest, ReleaseLeavesAProcedureSetSinceInPlace) {
    const int id = RegisterGlobalHotkey(owner_, label_, 0, kKeyA);
    SetWindowLongPtrA(owner_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ForeignProc));
    UnregisterGlobalHotkey(owner_, id);
    EXPECT_EQ(ProcOf(owner_), &ForeignProc);

    // Back in front, one more pair of calls takes the service back to idle for later tests.
    SetWindowLongPtrA(owner_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HotkeyWindowProc));
    UnregisterGlobalHotkey(owner_, RegisterGlobalHotkey(owner_, label_, 0, kKeyA));
    EXPECT_EQ(ProcOf(owner_), ownerProc_);
    EXPECT_EQ(TheHotkeyService().previousProc, nullptr);
}

}  // namespace
}  // namespace qv::testing
