#pragma once
// The two heartbeat threads: the sender announces OwnStation every 900 ms on
// the heartbeat group; the receiver hears every station there and hands the
// listed desks to the front end. Neither touches the desk table.
//
// Threading: StartHeartbeats, StopHeartbeats and SetHeartbeatSink are
// called on one control thread (the GUI thread). OwnStation is read when
// the threads start and must not change while they run.

#include <atomic>
#include <string>

#include "discovery/station_record.h"

// Where the threads hand their results. Every method is called on a
// heartbeat thread, with the sink lock held: it must hand over and return
// (post to the GUI thread, queue), never wait for the control thread.
class HeartbeatSink {
  public:
    virtual ~HeartbeatSink() = default;
    // A listed desk was heard (receiver thread).
    virtual void StationHeard(StationRecord station) = 0;
    // A heartbeat was sent: time to age the desk table (sender thread).
    virtual void AgeTick() = 0;
    // A thread could not set up its socket and ends. The front end shows it
    // with ReportSocketError(text, error).
    virtual void SocketSetupFailed(std::string text, int error) = 0;
};

// Installs the sink; null drops every handover (set-up failures are then
// reported directly with ReportSocketError). After it returns no call to the
// previous sink is in progress.
void SetHeartbeatSink(HeartbeatSink* sink);

// Set once at teardown; the receiver ends at its next 2-second time-out.
extern std::atomic<bool> StopRequested;

enum class HeartbeatMode {
    SendAndReceive,
    ReceiveOnly,  // listens without announcing this station
};

// Starts the receiver, then the sender, on OwnStation's address. Nothing
// happens while they already run. Returns 0.
int StartHeartbeats(HeartbeatMode mode = HeartbeatMode::SendAndReceive);

// Ends the receiver, then the sender, and waits for both; their sockets are
// closed. The desk table is left as it is.
void StopHeartbeats();

// True between StartHeartbeats and StopHeartbeats.
bool HeartbeatsRunning();
