// tunevault-tool: the program's core functions on the command line, without Qt.
// Exit status: 0 done, 1 failed (or a file left out), 2 wrong call.

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "base/output_file.h"
#include "cli/commands.h"

namespace {

constexpr char kVersion[] = "tunevault-tool 2.01";

// CLI11's words in the German of the rest of the tool.
void SpeakGerman(CLI::App& app) {
    const auto formatter = app.get_formatter();
    formatter->label("Usage", "Aufruf");
    formatter->label("OPTIONS", "OPTIONEN");
    formatter->label("SUBCOMMAND", "BEFEHL");
    formatter->label("SUBCOMMANDS", "BEFEHLE");
    formatter->label("Positionals", "Argumente");
    formatter->label("Options", "Optionen");
    formatter->label("Subcommands", "Befehle");
    formatter->label("REQUIRED", "NÖTIG");
    formatter->label("Excludes", "schließt aus");
    formatter->label("Needs", "braucht");
    formatter->label("TEXT", "TEXT");
    formatter->column_width(34);
    app.option_defaults()->group("Optionen");
    app.set_help_flag("-h,--help", "diese Hilfe zeigen");
}

// Output that could not be written (a full disk, /dev/full, a closed pipe)
// fails the command, after all it printed.
int CheckStandardOutput(int exitCode) {
    std::cout.flush();
    errno = 0;
    if (std::cout.good() && std::fflush(stdout) == 0 && !std::ferror(stdout)) return exitCode;
    std::cerr << "tunevault-tool: Standardausgabe: "
              << (errno != 0 ? std::strerror(errno) : "Schreibfehler") << "\n";
    return exitCode == 0 ? 1 : exitCode;
}

}  // namespace

int main(int argc, char* argv[]) {
    // A signal during long work (an image, a list) leaves no temporary file.
    tv::InstallOutputCleanupOnSignals();

    CLI::App app("Die Kernfunktionen von MP3-TUNEVAULT ohne Fenster.", "tunevault-tool");
    SpeakGerman(app);
    app.set_version_flag("--version", kVersion, "die Version zeigen");
    app.require_subcommand(1);
    int exitCode = 0;
    tv::cli::AddFileCommands(app, exitCode);
    tv::cli::AddAddCommand(app, exitCode);
    tv::cli::AddCollectionCommands(app, exitCode);
    tv::cli::AddDriveCommands(app, exitCode);
    tv::cli::AddIsoCommand(app, exitCode);
    tv::cli::AddBurnCommands(app, exitCode);

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& done) {  // --help, --version
        return app.exit(done);
    } catch (const CLI::ParseError& wrong) {
        // The command's usage, for the command that was called.
        const std::vector<CLI::App*> called = app.get_subcommands();
        std::cerr << "tunevault-tool: " << wrong.what() << "\n\n"
                  << (called.empty() ? app.help() : called.front()->help());
        return 2;
    } catch (const std::exception& failure) {
        std::cerr << "tunevault-tool: " << failure.what() << "\n";
        return CheckStandardOutput(1);
    }
    return CheckStandardOutput(exitCode);
}
