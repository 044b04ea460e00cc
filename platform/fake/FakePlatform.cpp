#include "platform/fake/FakePlatform.h"

#include <glib.h>

#include <algorithm>
#include <cmath>

#include "common/SettingValues.h"
#include "common/Sha256.h"
#include "platform/pixbuf/PixbufImageCodec.h"

namespace brimble {

namespace {

std::string join(const std::vector<std::string>& parts, const std::string& separator)
{
    std::string out;
    for (const auto& part : parts) {
        if (!out.empty())
            out += separator;
        out += part;
    }
    return out;
}

std::string sizeText(const PlatformImage& image)
{
    return std::to_string(static_cast<long long>(image.nominalWidth())) + "×"
        + std::to_string(static_cast<long long>(image.nominalHeight()));
}

} // namespace

std::vector<std::string> FakeLog::matching(const std::string& prefix) const
{
    std::vector<std::string> out;
    for (const auto& line : lines_)
        if (line.starts_with(prefix))
            out.push_back(line);
    return out;
}

// Pasteboard

void FakePasteboard::simulateCopy(std::set<std::string> types, std::optional<std::string> text,
                                  std::optional<Bytes> imageBytes)
{
    currentTypes = std::move(types);
    currentText = std::move(text);
    currentImageBytes = std::move(imageBytes);
    currentFormats.clear();
    formatsFollow = false;
    writtenImage.clear();
    ownerless = false;
    typesListedWhole = true;
    ++count;
}

void FakePasteboard::simulateOwnerQuit()
{
    currentTypes.clear();
    currentText.reset();
    currentImageBytes.reset();
    currentFormats.clear();
    formatsFollow = false;
    writtenImage.clear();
    ownerless = true;
    ++count;
}

void FakePasteboard::simulateLateFormats(std::vector<ExtraFormat> formats, int64_t change)
{
    late = LateFormats{change ? change : count, std::move(formats)};
    if (watch_.onLateFormats)
        watch_.onLateFormats();
}

void FakePasteboard::fireWatch()
{
    if (watch_.onMaybeChanged)
        watch_.onMaybeChanged();
}

void FakePasteboard::fireOwnerChanged()
{
    if (watch_.onOwnerChanged)
        watch_.onOwnerChanged();
}

std::unique_ptr<PlatformImage> FakePasteboard::image()
{
    if (!currentImageBytes)
        return nullptr;
    ++decodeCalls;
    // Asked for as a real clipboard is: PNG first, then JPEG, then TIFF.
    const std::string_view type = currentTypes.contains("public.png") ? "image/png"
        : currentTypes.contains("public.jpeg")                      ? "image/jpeg"
                                                                     : "image/tiff";
    return codec_.decode(*currentImageBytes, type);
}

std::optional<std::string> FakePasteboard::pictureDigest()
{
    if (!currentImageBytes)
        return std::nullopt;
    return sha256Hex(std::span<const uint8_t>(*currentImageBytes));
}

void FakePasteboard::clear()
{
    log_.add("pasteboard: clear");
    currentTypes.clear();
    currentText.reset();
    currentImageBytes.reset();
    currentFormats.clear();
    formatsFollow = false;
    writtenImage.clear();
    ++count;
}

void FakePasteboard::writeText(const std::string& text)
{
    log_.add("pasteboard: text " + text);
    currentTypes = {"public.utf8-plain-text"};
    currentText = text;
    ownerless = false;
    typesListedWhole = true;
    ++count;
}

void FakePasteboard::writeImage(const PlatformImage& image)
{
    writtenImage = sizeText(image);
    log_.add("pasteboard: image " + writtenImage);
    currentTypes = {"public.png"};
    ownerless = false;
    typesListedWhole = true;
    ++count;
}

void FakePasteboard::write(const ClipboardWrite& content)
{
    if (content.image)
        writeImage(*content.image);
    else
        writeText(content.text.value_or(""));
    for (const ExtraFormat& format : content.formats) {
        log_.add("pasteboard: format " + format.type + " " + format.bytes);
        currentTypes.insert(format.type);
    }
    currentFormats = content.formats;
    formatsFollow = false;
}

void FakePasteboard::watch(PasteboardWatch watch)
{
    ++watchCalls;
    log_.add("pasteboard: watch");
    watch_ = std::move(watch);
}

// Defaults

const FakeDefaults::Value* FakeDefaults::find(std::string_view key) const
{
    auto it = values_.find(key);
    return it == values_.end() ? nullptr : &it->second;
}

bool FakeDefaults::has(std::string_view key) const
{
    return find(key) != nullptr;
}

std::optional<bool> FakeDefaults::boolValue(std::string_view key) const
{
    const Value* value = find(key);
    if (!value)
        return std::nullopt;
    if (std::holds_alternative<bool>(*value))
        return std::get<bool>(*value);
    if (std::holds_alternative<int64_t>(*value))
        return booleanFromNumber(static_cast<double>(std::get<int64_t>(*value)));
    if (std::holds_alternative<double>(*value))
        return booleanFromNumber(std::get<double>(*value));
    if (std::holds_alternative<std::string>(*value))
        return booleanFromText(std::get<std::string>(*value));
    return std::nullopt;
}

std::optional<int64_t> FakeDefaults::intValue(std::string_view key) const
{
    const Value* value = find(key);
    if (!value)
        return std::nullopt;
    if (std::holds_alternative<int64_t>(*value))
        return std::get<int64_t>(*value);
    if (std::holds_alternative<double>(*value))
        return integerFromNumber(std::get<double>(*value));
    if (std::holds_alternative<std::string>(*value))
        return integerFromText(std::get<std::string>(*value));
    return std::nullopt;
}

std::optional<std::string> FakeDefaults::stringValue(std::string_view key) const
{
    const Value* value = find(key);
    if (value && std::holds_alternative<std::string>(*value))
        return std::get<std::string>(*value);
    return std::nullopt;
}

std::optional<std::vector<std::string>> FakeDefaults::stringListValue(std::string_view key) const
{
    const Value* value = find(key);
    if (value && std::holds_alternative<std::vector<std::string>>(*value))
        return std::get<std::vector<std::string>>(*value);
    return std::nullopt;
}

void FakeDefaults::simulateOutsideEdit(const std::string& key, Value value)
{
    values_[key] = std::move(value);
    if (onChangedOutside_)
        onChangedOutside_();
}

void FakeDefaults::setBool(std::string_view key, bool value)
{
    log_.add("defaults: " + std::string(key) + " = " + (value ? "true" : "false"));
    values_[std::string(key)] = value;
}

void FakeDefaults::setInt(std::string_view key, int64_t value)
{
    log_.add("defaults: " + std::string(key) + " = " + std::to_string(value));
    values_[std::string(key)] = value;
}

void FakeDefaults::setString(std::string_view key, const std::string& value)
{
    log_.add("defaults: " + std::string(key) + " = \"" + value + "\"");
    values_[std::string(key)] = value;
}

void FakeDefaults::setStringList(std::string_view key, const std::vector<std::string>& value)
{
    log_.add("defaults: " + std::string(key) + " = [" + join(value, ", ") + "]");
    values_[std::string(key)] = value;
}

// Main loop

void FakeMainLoop::runLater(double seconds, std::function<void()> work)
{
    queue_.push_back({clock_.time + std::max(0.0, seconds), seq_++, std::move(work)});
}

bool FakeMainLoop::runDue(double end)
{
    auto next = std::min_element(queue_.begin(), queue_.end(), [](const Item& a, const Item& b) {
        return a.due < b.due || (a.due == b.due && a.seq < b.seq);
    });
    if (next == queue_.end() || next->due > end)
        return false;
    Item item = std::move(*next);
    queue_.erase(next);
    clock_.time = std::max(clock_.time, item.due);
    item.work();
    return true;
}

void FakeMainLoop::advance(double seconds)
{
    const double end = clock_.time + seconds;
    while (runDue(end)) {
    }
    clock_.time = end;
}

bool FakeMainLoop::runOne()
{
    return runDue(clock_.time);
}

// Dialogs

int FakeDialogs::runAlert(const AlertSpec& spec)
{
    alerts.push_back(spec);
    log_.add("alert: " + spec.message + " | " + spec.informative);
    if (whileOpen)
        whileOpen();
    if (!spec.buttons.empty())
        log_.add("buttons: " + join(spec.buttons, ", "));
    if (alertAnswers.empty())
        return 0;
    const int answer = alertAnswers.front();
    alertAnswers.pop_front();
    return answer;
}

std::optional<std::string> FakeDialogs::runPrompt(const std::string& message, const std::string& defaultText)
{
    log_.add("prompt: " + message + " | " + defaultText);
    if (whileOpen)
        whileOpen();
    if (promptAnswers.empty())
        return defaultText;
    auto answer = promptAnswers.front();
    promptAnswers.pop_front();
    return answer;
}

std::optional<std::string> FakeDialogs::chooseFolder(const std::string& title, const std::string& current)
{
    return pick("folder: " + title + " | " + current);
}

std::optional<std::string> FakeDialogs::chooseApplication(const AppPickerSpec& spec)
{
    return pick("picker: " + spec.message);
}

std::optional<std::string> FakeDialogs::pick(const std::string& line)
{
    log_.add(line);
    if (whileOpen)
        whileOpen();
    if (pickerAnswers.empty())
        return std::nullopt;
    auto answer = pickerAnswers.front();
    pickerAnswers.pop_front();
    return answer;
}

// Shell

void FakeAppShell::setActivationPolicy(ActivationPolicy policy)
{
    log_.add(std::string("shell: policy ") + (policy == ActivationPolicy::Regular ? "regular" : "accessory"));
}

void FakeAppShell::activate()
{
    log_.add("shell: activate");
}

void FakeAppShell::setAppearance(Appearance appearance)
{
    const char* name = appearance == Appearance::Light ? "light"
        : appearance == Appearance::Dark               ? "dark"
                                                       : "system";
    log_.add(std::string("shell: appearance ") + name);
}

void FakeAppShell::openURL(const std::string& url)
{
    log_.add("shell: open " + url);
}

void FakeAppShell::quit()
{
    log_.add("shell: quit");
}

// Window host

void FakeWindowHost::createWindow(const WindowSpec& spec)
{
    log_.add("window: create " + spec.title + " " + std::to_string(spec.width) + "x"
             + std::to_string(spec.height) + " min " + std::to_string(spec.minWidth) + "x"
             + std::to_string(spec.minHeight) + " autosave " + spec.frameAutosaveName);
}

void FakeWindowHost::prepareWebView(const WebViewSpec&)
{
    log_.add("engine: prepare");
}

void FakeWindowHost::createWebView(const WebViewSpec& spec)
{
    hasWebView = true;
    log_.add(std::string("webview: create devtools=") + (spec.developerExtras ? "1" : "0")
             + " scheme=" + spec.scheme + " channel=" + spec.messageChannel);
}

void FakeWindowHost::loadURL(const std::string& url)
{
    log_.add("webview: load " + url);
}

std::string FakeWindowHost::pulled(const std::string& script)
{
    static constexpr std::string_view pull = "window.__pr2clip && window.__pr2clip.pull('";
    const auto owner = delegate.lock();
    if (!owner || !script.starts_with(pull) || !script.ends_with("')"))
        return script;
    const std::string url = script.substr(pull.size(), script.size() - pull.size() - 2);
    const SchemeResult result = owner->startSchemeTask(url);
    const auto* response = std::get_if<SchemeResponse>(&result);
    if (!response)
        return script;
    return "window.__pr2clip && window.__pr2clip.render(" + std::string(response->body.begin(), response->body.end()) + ")";
}

void FakeWindowHost::runScript(const std::string& script)
{
    scripts.push_back(script);
}

bool FakeWindowHost::evaluateScript(const std::string& script, std::function<void()> done)
{
    if (!hasWebView)
        return false;
    scripts.push_back(pulled(script));
    if (holdScripts)
        running_.push_back(std::move(done));
    else if (done)
        done();
    return true;
}

size_t FakeWindowHost::finishScripts()
{
    size_t finished = 0;
    // A completion may start the next script; it is finished by a later call.
    for (size_t count = running_.size(); count > 0; --count) {
        std::function<void()> done = std::move(running_.front());
        running_.pop_front();
        if (done)
            done();
        ++finished;
    }
    return finished;
}

void FakeWindowHost::releaseWebView()
{
    hasWebView = false;
    log_.add("webview: release");
    // A released page's scripts finish as they are cancelled.
    finishScripts();
}

void FakeWindowHost::tell(WindowVisibility visibility)
{
    if (const std::shared_ptr<AppDelegate> target = delegate.lock())
        target->windowDidChangeVisibility(visibility);
}

void FakeWindowHost::showWindow()
{
    const bool wasVisible = visible;
    visible = true;
    focused = true;
    log_.add("window: show");
    if (!wasVisible)
        tell(WindowVisibility::Shown);
}

void FakeWindowHost::commandRequestedWindow()
{
    log_.add("window: requested by a command");
}

void FakeWindowHost::holdKeys()
{
    log_.add("keys: hold");
}

void FakeWindowHost::releaseKeys()
{
    log_.add("keys: release");
}

void FakeWindowHost::setDeveloperExtras(bool enabled)
{
    log_.add(std::string("host: developer extras ") + (enabled ? "on" : "off"));
}

void FakeWindowHost::hideWindow()
{
    const bool wasVisible = visible;
    visible = false;
    focused = false;
    log_.add("window: hide");
    if (wasVisible)
        tell(WindowVisibility::Hidden);
}

// Menus

void FakeMenus::installMenuBar(const std::vector<Menu>& menus)
{
    menuBar = menus;
    std::vector<std::string> titles;
    for (const auto& menu : menus)
        titles.push_back(menu.title);
    log_.add("menubar: " + join(titles, ", "));
}

void FakeMenus::installStatusItem(const std::string& iconPath, const Menu& menu)
{
    ++statusInstalls;
    statusIcon = iconPath;
    statusMenu = menu;
    std::vector<std::string> titles;
    for (const auto& item : menu.items) {
        if (item.isSeparator())
            titles.push_back("-");
        else
            titles.push_back(item.title + (item.globalAccelerator.empty() ? "" : " " + item.globalAccelerator)
                             + (item.checkable ? (item.checked ? " [x]" : " [ ]") : "")
                             + (item.enabled ? "" : " (disabled)"));
    }
    log_.add("status item: " + join(titles, ", "));
}

// Shortcut

bool FakeGlobalShortcut::bind(const std::string& key, ShortcutHandlers handlers)
{
    log_.add("shortcut: bind " + key + (taken ? " (taken)" : ""));
    if (taken)
        return false;
    accelerator = key;
    handlers_ = std::move(handlers);
    return true;
}

void FakeGlobalShortcut::press()
{
    keyDown();
    release();
}

void FakeGlobalShortcut::keyDown()
{
    if (handlers_.keyDown)
        handlers_.keyDown();
}

void FakeGlobalShortcut::release()
{
    if (handlers_.pressed)
        handlers_.pressed();
}

// The whole platform

FakePlatform::FakePlatform()
    : codec(makePixbufImageCodec())
    , pasteboard(log_, *codec)
    , defaults(log_)
    , loop(clock)
    , dialogs(log_)
    , shell(log_)
    , host(log_)
    , menus(log_)
    , panels(log_)
    , shortcut(log_)
    , paste(log_)
{
}

std::optional<Bytes> FakeFileIcons::iconFor(const std::string& path, int size)
{
    ++asked;
    if (!g_file_test(path.c_str(), G_FILE_TEST_EXISTS))
        return std::nullopt;
    const std::string answer = "icon " + std::to_string(size) + " " + path;
    return Bytes(answer.begin(), answer.end());
}

FakePlatform::~FakePlatform() = default;

Platform FakePlatform::platform()
{
    return Platform{shell, clock,  defaults, dialogs,    frontmost, *codec, loop,
                    menus, panels, pasteboard, host, shortcut, paste, icons};
}

} // namespace brimble
