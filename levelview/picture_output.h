// Where a picture's bytes go, and the only place that creates, replaces or
// removes a file. A regular file is replaced whole through a temporary file
// beside it, synced, then renamed over it, so that a failed or interrupted
// run, or a power loss, leaves the old picture as it was; anything else (a
// FIFO, a device, a file with no name left) is written into directly and
// never replaced; a symlink is followed and stays a link; and a picture
// that is the process's own standard output, however named, is written
// into it.
#pragma once

#include <sys/stat.h>
#include <string>
#include <string_view>

struct PictureOutput {
    int descriptor = -1;          // where the bytes are written
    bool standardOutput = false;  // descriptor is standard output
    int folder = -1;              // the folder of the file to replace, when one is replaced
    std::string finalName;        // that file's name in folder
    std::string temporaryName;    // the file being written in folder; empty when none
};

enum class OutputOpening {
    opened,
    sameAsLevel,           // the name is the level file itself
    standardOutputClosed,  // the picture would go to standard output, which was closed
    failed,                // the system refused; error says why
};

struct OutputOpened {
    OutputOpening outcome = OutputOpening::failed;
    int error = 0;  // the errno of a failure
};

// Opens the output named name ("-" for standard output) for a picture of
// the level whose file status is level. Refuses, before writing anything,
// an output that is the level file itself, and a loop or chain of symlinks
// the system would not follow (ELOOP). standardOutputOpen tells whether
// the process started with a standard output. While a temporary file
// exists, every signal whose default action ends the process removes it
// first, then ends the process as it would have.
// REQUIRES: name is not empty.
OutputOpened openPictureOutput(std::string_view name, const struct stat& level, bool standardOutputOpen,
                               PictureOutput& output);

// Writes all of bytes. Returns 0, or the errno of the failure.
int writePictureOutput(PictureOutput& output, std::string_view bytes);

// Stores the picture: syncs the temporary file, closes it and renames it
// into place. Returns 0, or the errno of the failure, having removed the
// temporary file.
int finishPictureOutput(PictureOutput& output);

// Closes the output and removes the temporary file, if any. Safe to call
// more than once.
void abandonPictureOutput(PictureOutput& output);
