// Creates a database for the host's first run: the one place where a
// database file is made. Each script may hold many statements; they run in
// one transaction, so a failing script leaves no half-made schema behind.
#pragma once

#include <string>
#include <vector>

namespace ostrel::ado {

// Creates native_path when it does not exist (and removes it again when a
// script fails) and runs the SQL script files in order. Running the
// project's scripts on an existing database is harmless: they only add what
// is missing. Errors raise VbError naming the script.
void CreateDatabase(const std::string& native_path, const std::vector<std::string>& script_paths);

}  // namespace ostrel::ado
