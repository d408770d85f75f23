#pragma once
// Switches for the ways one copy sends faster. None of them changes what goes on the wire or
// what a peer may rely on, so a copy with them works with a copy without; they exist to
// measure each one and to test exactly that. All are on unless the environment variable
// TARNIX_SPEED_OFF names them (comma-separated), or says "all". Read once per process.

struct SSpeedSwitches {
    // Blocks of a file that bzip2 does not shrink make the next ones go raw, with a try now
    // and then ("raw").
    bool SkipVainCompression = true;
    // Blocks are compressed ahead of the send on worker threads ("pool").
    bool CompressionPool = true;
    // The Ant thread's dispatcher ends its wait when the next timer is due, instead of at
    // the end of its 40 ms turn ("timers").
    bool TimelyTimers = true;
    // An acknowledgement or NAK from the peer pushes the retransmission time-out back: a
    // peer that still answers is no time-out ("rto").
    bool PatientRetransmission = true;
    // New data leaves at most cwnd packets per smoothed round trip, in small bursts, so the
    // round-trip samples measure the path rather than the own burst's queue ("pacing").
    bool Pacing = true;
    // The pace runs a quarter ahead of cwnd per smoothed round trip, so the acknowledgements,
    // not the pace timer, hold the window full; the pace only spreads the bursts ("headroom").
    bool PaceHeadroom = true;
    // The window answers a loss once: a NAK that names only packets sent before the last
    // answer belongs to the loss already answered ("lossevent").
    bool LossEvents = true;
    // An acknowledgement that opens the window fills it at once, before the next datagram of
    // the same read is taken, rather than after the whole read: otherwise a read of many
    // acknowledgements shows the flow control a window emptied by the batch itself
    // ("ackclock").
    bool FillOnAck = true;
};

// The switches of this process. Any thread.
const SSpeedSwitches& SpeedSwitches();

// The switches a TARNIX_SPEED_OFF value leaves on (null: all on).
SSpeedSwitches ParseSpeedSwitches(const char* off);
