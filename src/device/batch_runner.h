#pragma once

#include "bus/serial_control.h"
#include "core/channel_table.h"

namespace zrx {

// How one file of a batch went.
struct BatchFile {
    enum class Result {
        Played,  // all 24 channels reached the chip; the marker went out after them, or was tried
        Skipped, // the file did not reach the chip (not a channel set, no port): no marker
        Cut,     // a stop came between two of its frames: no marker, and the run ends
    };
    Result result = Result::Skipped;
    // Channel frames of the file that went out.
    int written = 0;
    bool markerSent = false;
    // The pass over the list it was played in, from 1; 0 for a single step.
    int cycle = 0;
};

// The runner's face, the window's or the tool's: the list it plays, the
// loading of one file, how it tells of each file, and how it pauses. A
// hook that answers false ends the run; after a pause has answered false the
// runner calls the face no more, since the face (a window closed in its own
// pause) may be gone by then.
class BatchFace {
public:
    virtual ~BatchFace() = default;
    // Files in the list now; asked again before every file, as a handler
    // that ran in a pause may have changed the list.
    virtual int file_count() const = 0;
    // Whether the run plays the file at this position.
    virtual bool file_chosen(int position) const = 0;
    // Writes the file's channels onto the chip.
    virtual BatchFile write_file(int position) = 0;
    // Tells of a file that was tried (played with or without its marker, or
    // skipped); false ends the run as failed.
    virtual bool file_done(int position, const BatchFile &file) = 0;
    // The pause after a file that was tried; false ends the run as stopped.
    virtual bool pause_after_file() = 0;
    // A pass over the list has ended, having tried a file or none; false ends
    // the run as stopped.
    virtual bool pass_done(bool triedAny) = 0;
};

// What a run did, and why it ended.
struct BatchRunReport {
    // Files that reached the chip whole and whose marker went out.
    int steps = 0;
    // Passes over the whole list; a pass a stop ended in its last file's
    // pause counts as finished, one it ended earlier does not.
    int cyclesFinished = 0;
    // A stop ended it (a signal, "Stop Batch", the window closed).
    bool stopped = false;
    // The face ended it on a file's failure, which the face tells.
    bool failed = false;
    // The file a stop cut short (-1: none) and its frames that went out.
    int cutPosition = -1;
    int cutWritten = 0;

    // Every channel frame of the run (each marked file's 24 and the cut file's).
    int channels_written() const { return steps * ChannelCount + cutWritten; }
};

// Four bytes on the transmit line after every file that reached the chip
// whole, first 1, the rest 0, so equipment listening there can tell when the
// next set is on the chip. A closed port sends nothing; false when the block
// did not go out.
bool send_step_marker(SerialControl &port);

// The one batch loop, for the window and the tool: the chosen files in list
// order, each written and followed by the marker, then the face's pause; over
// and over for `cycles` passes (0: until the face ends it).
class BatchRunner {
public:
    BatchRunner(BatchFace &face, SerialControl &port) : m_face(face), m_port(port) {}

    // One file: its channels, then the marker when all of them reached the chip.
    BatchFile play_file(int position);
    BatchRunReport run(int cycles);

private:
    bool chosen_after(int position) const;

    BatchFace &m_face;
    SerialControl &m_port;
};

} // namespace zrx
