#pragma once
// The driver's input script: one action a line, ticks counted from 1.
//   at T press BUTTON | at T release BUTTON | at T tap BUTTON      BUTTON: A B X Y LB RB BACK START LS RS
//   at T left X Y | at T right X Y        sticks, -1000..1000, y down, held until changed
//   at T triggers Z                        triggers combined, -1000..1000, left trigger positive
//   at T shot FILE                         save the back buffer after the tick's draw
//   at T end                               end the run after the tick
//   at T key NAME down|up|tap              a key by its SDL scancode name ("W", "Return", "Left Shift");
//                                          a tap goes down and up before the tick's input read
//   at T pad detach|attach                 pull the pad out, plug it in again
// Key and pad actions need the SDL back end.
// '#' starts a comment.
#include <string>
#include <vector>

namespace hc {

class InputScript {
public:
    enum class Kind { Press,
                      Release,
                      Left,
                      Right,
                      Triggers,
                      Shot,
                      End,
                      KeyDown,
                      KeyUp,
                      PadDetach,
                      PadAttach };
    struct Action {
        int tick = 0;
        Kind kind = Kind::Press;
        int button = 0;    // pad button index 0..9
        int x = 0, y = 0;  // sticks; x carries the trigger value
        std::string file;
        int line = 0;
        int key = 0;  // SDL scancode of a key action
    };

    std::vector<Action> actions;  // in the order they apply: by tick, then as written

    // Parses the whole text; on failure error holds "name:line: what".
    bool parse(const std::string& text, const std::string& name, std::string& error);
    // Reads and parses a file.
    bool load(const std::string& path, std::string& error);

    // Button index of a script name, -1 when unknown.
    static int buttonIndex(const std::string& name);
    static const char* buttonName(int index);
    // True when an action needs the SDL back end (keys and the pad's plug).
    bool needsSdl() const;
};

}  // namespace hc
