#pragma once

namespace CLI {
class App;
}

namespace tv::cli {

// Each adds its commands to the tool; the command that runs leaves its exit
// status in exitCode (0 done, 1 failed or a file left out). Wrong calls are
// CLI11's parse errors (status 2).

// list FILE.TSV, info FILE..., tag [--title T ...] FILE...
void AddFileCommands(CLI::App& app, int& exitCode);
// add FOLDER... LIST: catalogues folder trees.
void AddAddCommand(CLI::App& app, int& exitCode);
// search, doubles, export, m3u: the collection tools on list files.
void AddCollectionCommands(CLI::App& app, int& exitCode);
// drives: the transport, the drives and their discs.
void AddDriveCommands(CLI::App& app, int& exitCode);
// iso: an ISO 9660/Joliet image of files.
void AddIsoCommand(CLI::App& app, int& exitCode);
// burn, erase.
void AddBurnCommands(CLI::App& app, int& exitCode);

}  // namespace tv::cli
