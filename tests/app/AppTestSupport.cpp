#include "AppTestSupport.h"

#include <QSettings>

#include <cstdlib>

namespace {

// Tests link gtest_main, so the application object is made by the first test that needs it
// and lives until the process ends.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (QApplication::instance() != nullptr)
            return;
        if (std::getenv("QT_QPA_PLATFORM") == nullptr)
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "app_tests";
        static char* argv[] = {name, nullptr};
        application_ = new QApplication(argc, argv);
    }
    void TearDown() override {
        delete application_;
        application_ = nullptr;
    }

private:
    QApplication* application_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const kQt =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace

// The font configuration library keeps its caches until the process ends; they are not ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

void AppTest::SetUp() {
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) {
        hadConfig_ = true;
        oldConfig_ = old;
    }
    setenv("XDG_CONFIG_HOME", Path("config").c_str(), 1);
    // Qt keeps the settings folder it found first for the whole run; the file dialogs would
    // write there after the first test's folder is gone.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(Path("config")));
    std::filesystem::create_directories(Path("data/help"));
    std::ofstream(Path("data/servers.lst")) << "0Site A\n2Site B\n2Site C\n0Site D\n";
    std::ofstream(Path("data/help/guide.htm")) << "<html></html>\n";
    platform::Clock::SetFixed(platform::EncodeDate(2026, 3, 15) + 0.5);
}

void AppTest::TearDown() {
    platform::Clock::Reset();
    if (hadConfig_)
        setenv("XDG_CONFIG_HOME", oldConfig_.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

void WindowTest::SetUp() {
    AppTest::SetUp();
    WithKey([&](platform::SettingsStore& s) { s.WriteString("INSTALL", dataDir_); });
    form = Start();
    doc = form->Portefeuille();
}

void WindowTest::TearDown() {
    form.reset();
    AppTest::TearDown();
}

void AppTest::WithKey(const std::function<void(platform::SettingsStore&)>& write) {
    platform::SettingsStore store;
    ASSERT_TRUE(store.OpenKey(kCleProgramme, true));
    write(store);
    ASSERT_TRUE(store.CloseKey());
}

void AppTest::ReadKey(const std::function<void(platform::SettingsStore&)>& read) {
    platform::SettingsStore store;
    ASSERT_TRUE(store.OpenKey(kCleProgramme, false));
    read(store);
    store.CloseKey();
}

std::unique_ptr<TMainForm> AppTest::Start(QStringList arguments) {
    return std::make_unique<TMainForm>(arguments, &prompts);
}

std::string AppTest::WriteFile(const std::string& name, const std::string& text) {
    const std::string path = Path(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}
