#pragma once
// A DeskInputSink that records every message as the text the desk would see:
// "pointer E x,y", "key K code", "shortcut D vk mods", "button L code",
// "refresh", "cursor".

#include <string>
#include <vector>

#include "input/desk_input_sink.h"

class RecordingSink : public DeskInputSink {
  public:
    std::vector<std::string> sent;
    bool sessionOpen = true;

    void SendPointer(int x, int y, uint16_t event) override {
        Add("pointer " + std::to_string(event) + " " + std::to_string(x) + "," + std::to_string(y));
    }
    void SendKey(uint16_t code, uint8_t kind) override {
        Add("key " + std::to_string(kind) + " " + std::to_string(code));
    }
    void SendShortcutKey(uint16_t vk, uint16_t modifiers, uint8_t down) override {
        Add("shortcut " + std::to_string(down) + " " + std::to_string(vk) + " " +
            std::to_string(modifiers));
    }
    void SendButton(uint8_t isLong, uint16_t code) override {
        Add("button " + std::to_string(isLong) + " " + std::to_string(code));
    }
    void SendCursorMode() override { Add("cursor"); }
    void SendCommand() override { Add("refresh"); }
    bool SessionOpen() const override { return sessionOpen; }

  private:
    void Add(std::string text) { sent.push_back(std::move(text)); }
};
