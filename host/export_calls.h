// The two kinds of export a script calls, and what hostrun prints of each call.
#pragma once

#include "script_program.h"
#include "script_run.h"

// Calls the statement's export as `int WINAPI f(HostCallParams*)` with the host's table, prints
// "EXPORT -> RESULT" and then each variable the call created or changed, and checks the call
// kept to the table's rules. Returns false, reported, when it did not.
bool CallHostExport(ScriptRun& run, const Statement& statement);

// Calls the statement's export as `int WINAPI f(char* buffer, DWORD* size)` with a buffer of the
// statement's capacity, pre-filled with a sentinel, and prints
// "EXPORT(CAPACITY) -> RESULT size=N" and the text, or whether the buffer was left alone.
// Returns false, reported, when the export wrote past the buffer or answered 1 without a
// terminated text in it.
bool CallQueryExport(ScriptRun& run, const Statement& statement);
