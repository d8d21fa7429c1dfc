// Running a session script: the game loop without a window, its outputs, and a summary.
#include "headless.h"

#include <imgui.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

#include "expectations.h"
#include "game-loop.h"
#include "host-ui.h"
#include "picture.h"
#include "script.h"
#include "session-sound.h"
#include "session.h"
#include "ui-picture.h"

namespace spinbeat_host {

namespace {

constexpr double kFramesPerSecond = 60.0;
// The label of the sound test button on the plugin's page, which `playtest` presses.
constexpr const char* kPlaytestButton = "Playtest beat sound";

// When each input update was due, began and ended, in session time: the plugin read the clock in
// between, so a beat can be checked against the updates as they really ran.
struct UpdateTimes {
    double dueMs;
    double startMs;
    double endMs;
};

// Writes every console line to console.log as it is logged, however many come between two frames,
// and flushes at each frame, so a crash keeps them.
class ConsoleLog {
public:
    explicit ConsoleLog(const std::filesystem::path& file) : out_(file, std::ios::trunc) {}
    // For the host, which may log on any thread.
    std::function<void(std::string_view)> Sink() {
        return [this](std::string_view line) {
            const std::lock_guard lock(mutex_);
            out_ << line << '\n';
            ++written_;
        };
    }
    // A line of the host program's own, which the console does not show.
    void Write(std::string_view line) {
        const std::lock_guard lock(mutex_);
        out_ << line << '\n';
    }
    void Flush() {
        const std::lock_guard lock(mutex_);
        out_.flush();
    }
    bool Good() {
        const std::lock_guard lock(mutex_);
        return static_cast<bool>(out_);
    }
    std::size_t Lines() {
        const std::lock_guard lock(mutex_);
        return written_;
    }

private:
    std::mutex mutex_;
    std::ofstream out_;
    std::size_t written_ = 0;
};

// Dear ImGui with no window: a font atlas and a display size are all a frame needs.
class HeadlessUi {
public:
    HeadlessUi() {
        context_ = ImGui::CreateContext();
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;
        unsigned char* pixels = nullptr;
        int width = 0;
        int height = 0;
        io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
        // The snapshots' renderer samples the atlas through the identifier the draw data carries.
        auto font = std::make_shared<pluginsdk::host::ImageTexture>();
        font->width = width;
        font->height = height;
        font->rgba.assign(pixels,
                          pixels + static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
        font->name = "the host's font";
        font_ = std::move(font);
        io.Fonts->TexID = const_cast<pluginsdk::host::ImageTexture*>(font_.get());
    }
    HeadlessUi(const HeadlessUi&) = delete;
    HeadlessUi& operator=(const HeadlessUi&) = delete;
    ~HeadlessUi() { ImGui::DestroyContext(context_); }

    // A page's button is pressed only on the screen: `pressing` shows the settings window for the frame.
    void Frame(Session& session, Vector2 size, double nowMs, bool pressing = false) {
        ImGuiIO& io = ImGui::GetIO();
        io.DisplaySize = {static_cast<float>(size.X), static_cast<float>(size.Y)};
        io.DeltaTime = static_cast<float>(std::max(nowMs - lastMs_, 1.0) / 1000.0);
        lastMs_ = nowMs;
        ImGui::NewFrame();
        settings.Draw(session, pressing || (windows && windows->SettingsOpen()));
        if (windows) {
            windows->Draw();
        }
        ImGui::Render();
    }

    // The host's windows in a picture: a frame drawn now, or nothing when no window is open.
    std::shared_ptr<const UiDrawing> Drawing(Session& session, Vector2 size, double nowMs) {
        if (!windows || !windows->AnyOpen()) {
            return nullptr;
        }
        Frame(session, size, nowMs);
        return std::make_shared<const UiDrawing>(CaptureUi(*ImGui::GetDrawData(), font_));
    }

    SettingsWindow settings;
    // Once the session is there: `togglemenu` is its host's command.
    std::optional<PluginWindows> windows;

private:
    ImGuiContext* context_;
    std::shared_ptr<const pluginsdk::host::ImageTexture> font_;
    double lastMs_ = -1000.0;
};

// Paints and writes snapshots beside the game loop: a full-size PNG takes longer than a dozen
// updates, and the updates must keep real time.
class SnapshotWriter {
public:
    SnapshotWriter() = default;
    SnapshotWriter(const SnapshotWriter&) = delete;
    SnapshotWriter& operator=(const SnapshotWriter&) = delete;
    ~SnapshotWriter() {
        for (const auto& job : jobs_) {
            if (job->thread.joinable()) {
                job->thread.join();
            }
        }
    }

    void Add(const std::filesystem::path& file, Vector2 size, double carAngle, std::optional<BallView> ball,
             const std::vector<pluginsdk::host::CanvasCall>& calls, std::shared_ptr<const UiDrawing> ui) {
        auto& job = *jobs_.emplace_back(std::make_unique<Job>());
        job.file = file;
        job.thread = std::thread([&job, size, carAngle, ball, calls, ui = std::move(ui)] {
            // Nothing may leave a thread; a picture that could not be made is one not written.
            try {
                Picture picture(size.X, size.Y);
                PaintGameView(picture, size, carAngle, ball, calls);
                if (ui) {
                    PaintUi(picture, *ui);
                }
                job.written = WritePng(job.file, picture.Width(), picture.Height(), picture.Rgb());
            } catch (const std::exception&) {
                job.written = false;
            }
        });
    }
    // Waits for them all; returns the names written and adds the failures to `problems`.
    std::vector<std::string> Finish(std::vector<std::string>& problems) {
        std::vector<std::string> written;
        for (const auto& job : jobs_) {
            if (job->thread.joinable()) {
                job->thread.join();
            }
            if (job->written) {
                written.push_back(job->file.filename().string());
            } else {
                problems.push_back("cannot write " + job->file.string());
            }
        }
        jobs_.clear();
        return written;
    }

private:
    struct Job {
        std::filesystem::path file;
        bool written = false;
        std::thread thread;
    };
    // Each job stays where its thread writes to it.
    std::vector<std::unique_ptr<Job>> jobs_;
};

} // namespace

std::string FormatMs(double ms, int decimals) {
    std::ostringstream text;
    text.setf(std::ios::fixed);
    text.precision(decimals);
    text << ms;
    return text.str();
}

int RunHeadless(const Options& options) {
    // The whole script is checked before anything runs or any file is made.
    auto parsed = LoadScript(options.script);
    if (const auto* error = std::get_if<std::string>(&parsed)) {
        std::cerr << "spinbeat-host: " << *error << "\n";
        return 2;
    }
    const auto commands = std::get<std::vector<ScriptCommand>>(std::move(parsed));

    std::error_code error;
    std::filesystem::create_directories(options.out, error);
    if (error) {
        std::cerr << "spinbeat-host: cannot make " << options.out.string() << ": " << error.message() << "\n";
        return 1;
    }
    SessionSound sound(options.out);
    ConsoleLog log(options.out / "console.log");
    HeadlessUi ui;
    Expectations expectations(commands);
    Session session({options.modules, options.data, options.config, options.freeplay,
                     [sink = log.Sink(), &expectations](std::string_view line) {
                         sink(line);
                         expectations.Watch(line);
                     },
                     options.plugins});
    ui.windows.emplace(session, false);
    log.Flush();
    // Valid until the next frame is drawn.
    const std::vector<pluginsdk::host::CanvasCall>* lastFrame = nullptr;
    std::size_t failedExpectations = 0;

    std::vector<std::string> problems;
    SnapshotWriter snapshots;
    Vector2 size{1920, 1080};
    GameLoop loop(kFramesPerSecond);
    // Written out at each frame, not in the update's own time, and not kept for the whole session.
    std::ofstream updateLog(options.out / "updates.txt", std::ios::trunc);
    std::vector<UpdateTimes> updates;
    const auto writeUpdates = [&] {
        for (const UpdateTimes& update : updates) {
            updateLog << FormatMs(update.dueMs, 3) << ' ' << FormatMs(update.startMs, 3) << ' '
                      << FormatMs(update.endMs, 3) << '\n';
        }
        updates.clear();
    };
    std::size_t next = 0;
    bool quit = false;
    double endMs = 0.0;
    while (!quit && next < commands.size()) {
        const auto commandMs = static_cast<double>(commands[next].ms);
        // Waiting in short steps lets the capture note its progress closely.
        const double dueMs = std::min({commandMs, loop.NextTickMs(), loop.NextFrameMs()});
        for (double nowMs = loop.NowMs(); nowMs < dueMs; nowMs = loop.NowMs()) {
            loop.SleepUntil(std::min(dueMs, nowMs + 1.0));
            sound.Observe(loop.NowMs());
        }
        // At one instant: the script first, then the input update, then the frame.
        if (commandMs <= loop.NextTickMs() && commandMs <= loop.NextFrameMs()) {
            const ScriptCommand& command = commands[next++];
            using Kind = ScriptCommand::Kind;
            switch (command.kind) {
            case Kind::Freeplay:
                session.Host().SetFreeplay(command.on);
                break;
            case Kind::Roll:
                session.SetRoll(command.roll);
                break;
            case Kind::Console:
                session.TypeConsoleLine(command.text);
                break;
            case Kind::Size:
                size = command.size;
                break;
            case Kind::Ball:
                session.Host().PlaceBall(command.place);
                break;
            case Kind::Car:
                session.Host().PlaceCar(command.place);
                break;
            case Kind::Snapshot: {
                lastFrame = &session.Frame(size);
                snapshots.Add(options.out / (command.text + ".png"), size, session.CarAngle(),
                              BallOnView(session.Host(), size), *lastFrame,
                              ui.Drawing(session, size, loop.NowMs()));
                break;
            }
            case Kind::Event:
                session.FireEvent(command.text);
                break;
            case Kind::ExpectConsole:
            case Kind::ExpectNoConsole:
            case Kind::ExpectNoStop:
            case Kind::ExpectCvar:
            case Kind::ExpectDrawn:
                if (const auto seen = expectations.Check(command, session.Host(), lastFrame)) {
                    ++failedExpectations;
                    const std::string line = "EXPECTATION FAILED: script line " +
                                             std::to_string(command.line) + ", " + Describe(command) + ": " +
                                             *seen;
                    std::cerr << "spinbeat-host: " << line << "\n";
                    log.Write(line);
                }
                break;
            case Kind::Playtest:
                // One frame finds the button, the next presses it; the task runs at the next update.
                ui.settings.PressButton(kPlaytestButton);
                ui.Frame(session, size, loop.NowMs(), true);
                ui.Frame(session, size, loop.NowMs(), true);
                if (!ui.settings.PressFound()) {
                    problems.push_back("line " + std::to_string(command.line) + ": no \"" + kPlaytestButton +
                                       "\" button on the settings page");
                }
                break;
            case Kind::Quit:
                quit = true;
                break;
            }
            endMs = loop.NowMs();
        } else if (loop.NextTickMs() <= loop.NextFrameMs()) {
            UpdateTimes update{loop.NextTickMs(), loop.NowMs(), 0.0};
            loop.TickStarts();
            sound.Observe(loop.NowMs());
            session.Tick();
            update.endMs = loop.NowMs();
            sound.Observe(update.endMs);
            loop.TickDone();
            updates.push_back(update);
        } else {
            lastFrame = &session.Frame(size);
            ui.Frame(session, size, loop.NowMs());
            log.Flush();
            writeUpdates();
            loop.FrameDone();
        }
    }

    log.Flush();
    const std::vector<std::string> written = snapshots.Finish(problems);
    if (std::string problem = session.Finish(); !problem.empty()) {
        problems.push_back(problem);
    }
    log.Flush();
    const SessionSound::Outcome audio = sound.Finish();
    problems.insert(problems.end(), audio.problems.begin(), audio.problems.end());
    writeUpdates();
    updateLog.flush();
    std::ofstream timing(options.out / "timing.txt", std::ios::trunc);
    timing << "updates_late_ms " << FormatMs(loop.WorstTickLatenessMs(), 3) << '\n';
    for (const auto& [name, ms] : audio.timing) {
        timing << name << ' ' << FormatMs(ms, 3) << '\n';
    }
    timing.flush();
    if (!log.Good() || !updateLog || !timing) {
        problems.push_back("cannot write the session's outputs in " + options.out.string());
    }

    std::cout << "Headless session of " << FormatMs(endMs) << " ms, outputs in " << options.out.string()
              << "\n"
              << "  console.log  " << log.Lines() << " lines\n";
    for (const auto& line : audio.summary) {
        std::cout << line << "\n";
    }
    std::cout << "  timing       updates up to " << FormatMs(loop.WorstTickLatenessMs()) << " ms late"
              << audio.timingNote << "\n";
    for (const auto& snapshot : written) {
        std::cout << "  " << snapshot << "\n";
    }
    for (const auto& problem : problems) {
        std::cerr << "spinbeat-host: " << problem << "\n";
    }
    // A failed plugin or expectation has said so on the terminal already; the status tells a script,
    // an expectation first since it is what a script's author asked about.
    if (failedExpectations > 0) {
        std::cerr << "spinbeat-host: " << failedExpectations << " of the script's expectations failed\n";
        return 3;
    }
    return problems.empty() && session.Host().PluginFailures().empty() ? 0 : 1;
}

} // namespace spinbeat_host
