// The identifier block: fresh UUIDs written into a text area as a ready-to-paste data section,
// and the copy of the text area's text to the clipboard.
#pragma once

#include <windows.h>
#include <rpc.h>

#include "runtime/object_table.h"

// Where identifiers come from: UuidCreate while this is null, unless a test supplies its own.
typedef RPC_STATUS(RPC_ENTRY *UuidSource)(UUID *uuid);
extern UuidSource uuidSource;

// Clears the text area and writes the block of count identifiers (none for a count below 1).
void GenerateUuidBlock(ObjectNumber textArea, int count);
// Appends one identifier's three data lines and the spacer line.
void AppendUuidEntry(ObjectNumber textArea);
// Puts the text area's whole text on the clipboard as CF_TEXT.
void CopyTextAreaText(ObjectNumber textArea);
