#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "platform/AppDelegate.h"
#include "platform/Platform.h"

namespace brimble {

// Every call a fake is asked to do, as readable lines, in order.
class FakeLog {
public:
    void add(std::string line) { lines_.push_back(std::move(line)); }
    const std::vector<std::string>& lines() const { return lines_; }
    // The lines that start with `prefix`.
    std::vector<std::string> matching(const std::string& prefix) const;
    void clear() { lines_.clear(); }

private:
    std::vector<std::string> lines_;
};

// An in-memory clipboard. `simulateCopy` plays another program's copy.
class FakePasteboard final : public Pasteboard {
public:
    FakePasteboard(FakeLog& log, ImageCodec& codec) : log_(log), codec_(codec) {}

    // Another program copies: new types, text and picture bytes; the change count moves.
    void simulateCopy(std::set<std::string> types, std::optional<std::string> text,
                      std::optional<Bytes> imageBytes = std::nullopt);
    // The program that owned the clipboard quits: it is empty and has no owner; the count moves.
    void simulateOwnerQuit();
    // The kept formats of the change `change` (the present one when 0), read after it: handed
    // over as late formats and announced.
    void simulateLateFormats(std::vector<ExtraFormat> formats, int64_t change = 0);
    // Runs the watch callback, as the platform does after a change or a timer.
    void fireWatch();
    // Another program takes the clipboard: the owner-change notice, before any read.
    void fireOwnerChanged();
    bool isWatching() const { return static_cast<bool>(watch_.onMaybeChanged); }

    std::set<std::string> currentTypes;
    std::optional<std::string> currentText;
    std::optional<Bytes> currentImageBytes; // what `image()` decodes
    std::vector<ExtraFormat> currentFormats; // what `extraFormats()` answers; a copy empties it
    bool formatsFollow = false;              // what `formatsPending()` answers; a copy clears it
    std::optional<LateFormats> late;
    std::string writtenImage;               // "W×H" of the last picture written, "" if none
    int64_t count = 1;
    int watchCalls = 0;
    int decodeCalls = 0;
    bool ownerless = false;
    // False when the owner did not list its types in time.
    bool typesListedWhole = true;
    bool connected = true;

    int64_t changeCount() override { return count; }
    std::set<std::string> types() override { return currentTypes; }
    bool typesComplete() override { return typesListedWhole; }
    std::optional<std::string> pictureDigest() override;
    std::optional<std::string> text() override { return currentText; }
    std::unique_ptr<PlatformImage> image() override;
    const std::vector<ExtraFormat>& extraFormats() override { return currentFormats; }
    bool formatsPending() override { return formatsFollow; }
    std::optional<LateFormats> takeLateFormats() override { return std::exchange(late, std::nullopt); }
    bool isOwnerless() override { return ownerless; }
    void clear() override;
    void write(const ClipboardWrite& content) override;
    void writeText(const std::string& text) override;
    void writeImage(const PlatformImage& image) override;
    void watch(PasteboardWatch watch) override;
    bool isConnected() override { return connected; }

private:
    std::string pulled(const std::string& script);
    FakeLog& log_;
    ImageCodec& codec_;
    PasteboardWatch watch_;
};

// Settings in memory. `setRaw` stores a value of any type, as a hand-edited file might.
class FakeDefaults final : public Defaults {
public:
    using Value = std::variant<bool, int64_t, double, std::string, std::vector<std::string>,
                               std::vector<int64_t>>;
    explicit FakeDefaults(FakeLog& log) : log_(log) {}

    void setRaw(const std::string& key, Value value) { values_[key] = std::move(value); }
    // Another program edits the settings: the value is stored and the watch is told.
    void simulateOutsideEdit(const std::string& key, Value value);
    void erase(const std::string& key) { values_.erase(key); }
    size_t size() const { return values_.size(); }

    bool has(std::string_view key) const override;
    std::optional<bool> boolValue(std::string_view key) const override;
    std::optional<int64_t> intValue(std::string_view key) const override;
    std::optional<std::string> stringValue(std::string_view key) const override;
    std::optional<std::vector<std::string>> stringListValue(std::string_view key) const override;
    void setBool(std::string_view key, bool value) override;
    void setInt(std::string_view key, int64_t value) override;
    void setString(std::string_view key, const std::string& value) override;
    void setStringList(std::string_view key, const std::vector<std::string>& value) override;
    void watch(std::function<void()> onChangedOutside) override { onChangedOutside_ = std::move(onChangedOutside); }

private:
    const Value* find(std::string_view key) const;
    FakeLog& log_;
    std::function<void()> onChangedOutside_;
    std::map<std::string, Value, std::less<>> values_;
};

// A clock that moves only when told.
class FakeClock final : public Clock {
public:
    double time = 1'760'000'000.25;
    double now() override { return time; }
};

// Deferred work that runs when the test advances the fake clock.
class FakeMainLoop final : public MainLoop {
public:
    explicit FakeMainLoop(FakeClock& clock) : clock_(clock) {}
    void runLater(double seconds, std::function<void()> work) override;
    // Moves the clock forward, running due work in time order as it goes.
    void advance(double seconds);
    // Runs the one piece of work that is due first, if any is due now, as one turn of a real loop.
    bool runOne();
    size_t pending() const { return queue_.size(); }

private:
    bool runDue(double end);

    struct Item {
        double due;
        uint64_t seq;
        std::function<void()> work;
    };
    FakeClock& clock_;
    std::vector<Item> queue_;
    uint64_t seq_ = 0;
};

// Modal dialogs answered from scripts; an empty script answers with the first button / OK.
class FakeDialogs final : public Dialogs {
public:
    explicit FakeDialogs(FakeLog& log) : log_(log) {}

    std::deque<int> alertAnswers;                           // button index per alert
    std::deque<std::optional<std::string>> promptAnswers;   // nothing: Cancel
    std::deque<std::optional<std::string>> pickerAnswers;   // nothing: cancelled
    std::vector<AlertSpec> alerts;                          // every alert shown
    // Runs while a dialog is open, as the real dialogs' own main loop runs timers meanwhile.
    std::function<void()> whileOpen;

    // Logs "alert: <message> | <informative>" and the buttons as "buttons: A, B".
    int runAlert(const AlertSpec& spec) override;
    // Logs "prompt: <message> | <default>".
    std::optional<std::string> runPrompt(const std::string& message, const std::string& defaultText) override;
    // Logs "picker: <message>".
    std::optional<std::string> chooseApplication(const AppPickerSpec& spec) override;
    // Logs "folder: <title> | <current>"; answers from `pickerAnswers`.
    std::optional<std::string> chooseFolder(const std::string& title, const std::string& current) override;

private:
    // Logs `line`, lets `whileOpen` run, and takes the next of `pickerAnswers`.
    std::optional<std::string> pick(const std::string& line);

    FakeLog& log_;
};

class FakeFrontmostApp final : public FrontmostApp {
public:
    std::optional<std::string> app;
    std::set<std::string> notInstalled; // ids that `recognises` says no to
    bool knowable = true;
    std::optional<std::string> identifier() override { return app; }
    bool recognises(const std::string& id) override { return !notInstalled.contains(id); }
    bool canTell() const override { return knowable; }
};

// Logs "shell: policy regular|accessory", "shell: activate", "shell: appearance system|light|dark",
// "shell: open <url>", "shell: quit".
class FakeAppShell final : public AppShell {
public:
    explicit FakeAppShell(FakeLog& log) : log_(log) {}
    void setActivationPolicy(ActivationPolicy policy) override;
    void activate() override;
    void setAppearance(Appearance appearance) override;
    void openURL(const std::string& url) override;
    void quit() override;

private:
    FakeLog& log_;
};

// Logs "window: create <title> <w>x<h> min <w>x<h> autosave <name>", "webview: create devtools=<0|1>
// scheme=<s> channel=<c>", "webview: load <url>", "webview: release", "window: show", "window: hide",
// "keys: hold", "keys: release".
// Scripts are kept, not logged; a script that has the page pull its snapshot fetches it from
// `delegate` at once, as the page would, and is kept as the render it leads to,
// "window.__pr2clip && window.__pr2clip.render(<snapshot JSON>)". A shown window has the keyboard until a test says otherwise through
// `focused`. Showing and hiding tell `delegate`, as the window's own events do. Evaluated scripts
// finish at once unless `holdScripts` keeps them running until `finishScripts`.
class FakeWindowHost final : public WindowHost {
public:
    explicit FakeWindowHost(FakeLog& log) : log_(log) {}
    std::vector<std::string> scripts;
    bool visible = false;
    bool focused = false;
    bool hasWebView = false;
    bool holdScripts = false;
    std::weak_ptr<AppDelegate> delegate;

    // Completes every script still running in the page, in order; returns how many.
    size_t finishScripts();
    size_t runningScripts() const { return running_.size(); }

    void createWindow(const WindowSpec& spec) override;
    // Logs "engine: prepare".
    void prepareWebView(const WebViewSpec& spec) override;
    void createWebView(const WebViewSpec& spec) override;
    void loadURL(const std::string& url) override;
    void runScript(const std::string& script) override;
    bool evaluateScript(const std::string& script, std::function<void()> done) override;
    void releaseWebView() override;
    void showWindow() override;
    bool isWindowVisible() override { return visible; }
    void hideWindow() override;
    bool isWindowFocused() override { return visible && focused; }
    // Logs "window: requested by a command".
    void commandRequestedWindow() override;
    void holdKeys() override;
    void releaseKeys() override;
    // Logs "host: developer extras on|off".
    void setDeveloperExtras(bool enabled) override;

private:
    void tell(WindowVisibility visibility);
    // The render a script that pulls a snapshot leads to; any other script as it is.
    std::string pulled(const std::string& script);

    FakeLog& log_;
    std::deque<std::function<void()>> running_;
};

// Keeps what was installed; logs "menubar: <menu titles>" and "status item: <items>", each item as
// its title, then " <accelerator>" for a desktop-wide key, " [x]"/" [ ]" for a check mark and
// " (disabled)".
class FakeMenus final : public Menus {
public:
    explicit FakeMenus(FakeLog& log) : log_(log) {}
    std::vector<Menu> menuBar;
    std::optional<Menu> statusMenu;
    std::string statusIcon;
    int statusInstalls = 0;

    void installMenuBar(const std::vector<Menu>& menus) override;
    void installStatusItem(const std::string& iconPath, const Menu& menu) override;

private:
    FakeLog& log_;
};

// Logs "panel: about" and "panel: help".
class FakePanels final : public Panels {
public:
    explicit FakePanels(FakeLog& log) : log_(log) {}
    void showAbout() override { log_.add("panel: about"); }
    void showHelp() override { log_.add("panel: help"); }

private:
    FakeLog& log_;
};

// Logs "shortcut: bind <accelerator>", with " (taken)" when `taken` makes the grab fail.
class FakeGlobalShortcut final : public GlobalShortcut {
public:
    explicit FakeGlobalShortcut(FakeLog& log) : log_(log) {}
    bool taken = false;
    bool available = true;
    std::string accelerator;

    bool bind(const std::string& accelerator, ShortcutHandlers handlers) override;
    bool isAvailable() const override { return available; }
    // The user presses the bound key and lets it go; nothing happens when none is bound.
    void press();
    // Only the key going down; `release` answers the press.
    void keyDown();
    void release();

private:
    FakeLog& log_;
    ShortcutHandlers handlers_;
};

// Answers "icon <size> <path>" for a path that exists, and counts the questions.
class FakeFileIcons final : public FileIcons {
public:
    std::optional<Bytes> iconFor(const std::string& path, int size) override;
    int asked = 0;
};

// Logs "paste: remember focus" and "paste: into remembered window".
class FakePasteSender final : public PasteSender {
public:
    explicit FakePasteSender(FakeLog& log) : log_(log) {}
    void rememberFocus() override { log_.add("paste: remember focus"); }
    void pasteIntoRemembered() override { log_.add("paste: into remembered window"); }
    bool isAvailable() const override { return available; }
    bool available = true;

private:
    FakeLog& log_;
};

// The whole fake platform; the picture codec is the real GdkPixbuf one.
class FakePlatform {
public:
    FakePlatform();
    ~FakePlatform();

    Platform platform();
    const std::vector<std::string>& log() const { return log_.lines(); }

    FakeLog log_;
    std::unique_ptr<ImageCodec> codec;
    FakePasteboard pasteboard;
    FakeDefaults defaults;
    FakeClock clock;
    FakeMainLoop loop;
    FakeDialogs dialogs;
    FakeFrontmostApp frontmost;
    FakeAppShell shell;
    FakeWindowHost host;
    FakeMenus menus;
    FakePanels panels;
    FakeGlobalShortcut shortcut;
    FakePasteSender paste;
    FakeFileIcons icons;
};

} // namespace brimble
