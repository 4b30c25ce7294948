// Where a picture's bytes go, and the only place that creates, replaces or
// removes a file. A regular file is replaced whole through a temporary file
// renamed over it, so a failed or interrupted run leaves the old picture as
// it was; anything else (a FIFO, a device) is written into directly and
// never replaced; a symlink is followed and stays a link.
#pragma once

#include <sys/stat.h>
#include <string>
#include <string_view>

struct PictureOutput {
    int descriptor = -1;          // where the bytes are written
    bool standardOutput = false;  // descriptor is standard output
    std::string finalPath;        // the file the finished picture replaces; empty when written in place
    std::string temporaryPath;    // the file being written, beside finalPath
};

enum class OutputOpening {
    opened,
    sameAsLevel,  // the name is the level file itself
    failed,
};

// Opens the output named name ("-" for standard output) for a picture of
// the level whose file status is level. Refuses, before writing anything,
// an output that is the level file itself. While a temporary file exists,
// SIGINT, SIGTERM and SIGHUP remove it before ending the process as they
// would have.
OutputOpening openPictureOutput(std::string_view name, const struct stat& level, PictureOutput& output);

// Writes all of bytes. Returns false when they could not all be written.
bool writePictureOutput(PictureOutput& output, std::string_view bytes);

// Closes the output and, for a regular file, renames the temporary file
// into place. Returns false, having removed the temporary file, when the
// picture could not be stored.
bool finishPictureOutput(PictureOutput& output);

// Closes the output and removes the temporary file, if any.
void abandonPictureOutput(PictureOutput& output);
