#pragma once
// The handheld's hardware buttons as a browser presses them: four push
// buttons and the encoder's centre send their code when released, long when
// held longer than the hardware hold time; the encoder's four directions
// step the desk's cursor at once, as a drag on the encoder does. Only a
// release whose press came from the same browser counts, and only while a
// session is open. GUI thread.

#include <array>
#include <cstdint>

class DeskInputSink;
class SessionState;

class HandheldButtons {
  public:
    HandheldButtons(DeskInputSink& sink, SessionState& state);

    // index 0 Views, 1 Res., 2 encoder centre, 3 Cmd, 4 Next.
    void Pressed(int index);
    void Released(int index);
    // direction: kKeyLeft, kKeyUp, kKeyRight or kKeyDown.
    void Step(uint16_t direction);
    // Presses in progress are forgotten (the session changed).
    void ForgetPresses();

  private:
    DeskInputSink& sink_;
    SessionState& state_;
    std::array<bool, 5> down_{};
    std::array<uint32_t, 5> pressTick_{};
};
