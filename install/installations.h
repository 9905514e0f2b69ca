// Where Korvane is installed: the folders a scope's installations are in,
// whether a folder is one of ours, the folder --folder names, and the files
// of ours in a folder.
//
// An installation is known by what the registry names (the note, the
// registered classes, the setup's Apps & Features entry) and by what a folder
// holds (our record, our journal, or an older release's files). Only what is
// ours is ever removed: a folder of the user's that happens to be named is
// refused, not emptied.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::install {

// The entry that loads a scope's installation, when one is there.
std::optional<std::u16string> installed_entry(bool machine);

// Whether a folder is an installation of ours by what it holds.
bool holds_ours(const std::filesystem::path& folder);

// The folders of a scope's installations: the registered one, and every
// version folder the zip route made under the base folder.
std::vector<std::filesystem::path> installed_folders(bool machine);

// Whether the registry names a folder as an installation of ours.
bool named_ours(const std::filesystem::path& folder);

// The command line's values of an option (--folder X or --folder=X), in UTF-16.
std::vector<std::filesystem::path> wide_option(std::wstring_view name);

// The folder --folder names, made whole; "" and the reason said when it
// cannot be used.
std::filesystem::path chosen_folder(const char* command);

// A journal a killed run left in the folder, settled; false (and said) when
// it could not be.
bool settle_journal(const std::filesystem::path& folder, const char* command);

// The files to remove for a folder: ours (folder_files.h), and no others.
std::vector<std::filesystem::path> files_of(const std::filesystem::path& folder);

}  // namespace korvane::install
