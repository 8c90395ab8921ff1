#include "tools/gamedrive/input_script.h"

#include "engine/pad_button.h"

#include <SDL.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace hc {

namespace {

// Script names of the pad buttons, in PadButton's order.
constexpr const char* kButtonNames[kPadButtonCount] = {"A", "B", "X", "Y", "LB", "RB", "BACK", "START", "LS", "RS"};
constexpr int kAxisLimit = 1000;

bool parseInt(const std::string& word, long long low, long long high, int& out) {
    if (word.empty()) return false;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(word.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < low || v > high) return false;
    out = static_cast<int>(v);
    return true;
}

std::string trim(const std::string& s) {
    std::size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return "";
    std::size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

}  // namespace

int InputScript::buttonIndex(const std::string& name) {
    for (int i = 0; i < kPadButtonCount; ++i)
        if (name == kButtonNames[i]) return i;
    return -1;
}

const char* InputScript::buttonName(int index) { return index >= 0 && index < kPadButtonCount ? kButtonNames[index] : "?"; }

bool InputScript::parse(const std::string& text, const std::string& name, std::string& error) {
    struct Entry {
        Action action;
        int phase;  // releases implied by a tap come before what the script says for that tick
    };
    std::vector<Entry> entries;
    std::istringstream in(text);
    std::string raw;
    int lineNumber = 0;
    auto fail = [&](const std::string& what) {
        error = name + ":" + std::to_string(lineNumber) + ": " + what;
        return false;
    };
    while (std::getline(in, raw)) {
        ++lineNumber;
        std::string line = raw.substr(0, raw.find('#'));
        std::istringstream words(line);
        std::string at, tickWord, verb;
        if (!(words >> at)) continue;  // blank or comment
        if (at != "at") return fail("expected 'at TICK ACTION', got '" + trim(line) + "'");
        if (!(words >> tickWord)) return fail("missing tick");
        Action a;
        a.line = lineNumber;
        // One below the largest tick, so a tap's release stays representable.
        if (!parseInt(tickWord, 1, INT_MAX - 1, a.tick)) return fail("tick must be a whole number from 1, got '" + tickWord + "'");
        if (!(words >> verb)) return fail("missing action after the tick");
        std::vector<std::string> args;
        std::string w;
        if (verb == "shot") {
            std::string rest;
            std::getline(words, rest);
            a.kind = Kind::Shot;
            a.file = trim(rest);
            if (a.file.empty()) return fail("shot needs a file name");
            entries.push_back({a, 1});
            continue;
        }
        while (words >> w) args.push_back(w);
        auto expectArgs = [&](std::size_t n) { return args.size() == n; };
        if (verb == "press" || verb == "release" || verb == "tap") {
            if (!expectArgs(1)) return fail(verb + " takes one button");
            a.button = buttonIndex(args[0]);
            if (a.button < 0)
                return fail("unknown button '" + args[0] + "' (A B X Y LB RB BACK START LS RS)");
            if (verb == "release") {
                a.kind = Kind::Release;
                entries.push_back({a, 1});
            } else {
                a.kind = Kind::Press;
                entries.push_back({a, 1});
                if (verb == "tap") {
                    Action r = a;
                    r.kind = Kind::Release;
                    r.tick = a.tick + 1;
                    entries.push_back({r, 0});
                }
            }
        } else if (verb == "left" || verb == "right") {
            if (!expectArgs(2)) return fail(verb + " takes X and Y");
            if (!parseInt(args[0], -kAxisLimit, kAxisLimit, a.x) || !parseInt(args[1], -kAxisLimit, kAxisLimit, a.y))
                return fail("stick values must be whole numbers from -1000 to 1000");
            a.kind = verb == "left" ? Kind::Left : Kind::Right;
            entries.push_back({a, 1});
        } else if (verb == "triggers") {
            if (!expectArgs(1)) return fail("triggers takes one value");
            if (!parseInt(args[0], -kAxisLimit, kAxisLimit, a.x))
                return fail("trigger value must be a whole number from -1000 to 1000");
            a.kind = Kind::Triggers;
            entries.push_back({a, 1});
        } else if (verb == "key") {
            // The name may hold spaces ("Left Shift"): every word up to the last.
            if (args.size() < 2) return fail("key takes a key name and down, up or tap");
            const std::string how = args.back();
            std::string keyName = args[0];
            for (std::size_t i = 1; i + 1 < args.size(); ++i) keyName += " " + args[i];
            if (how != "down" && how != "up" && how != "tap") return fail("key takes down, up or tap, got '" + how + "'");
            const SDL_Scancode scancode = SDL_GetScancodeFromName(keyName.c_str());
            if (scancode == SDL_SCANCODE_UNKNOWN) return fail("unknown key '" + keyName + "' (SDL scancode names: W, Return, Left Shift, Up)");
            a.key = static_cast<int>(scancode);
            a.kind = how == "up" ? Kind::KeyUp : Kind::KeyDown;
            entries.push_back({a, 1});
            if (how == "tap") {
                Action up = a;
                up.kind = Kind::KeyUp;
                entries.push_back({up, 1});
            }
        } else if (verb == "pad") {
            if (!expectArgs(1) || (args[0] != "detach" && args[0] != "attach")) return fail("pad takes detach or attach");
            a.kind = args[0] == "detach" ? Kind::PadDetach : Kind::PadAttach;
            entries.push_back({a, 1});
        } else if (verb == "end") {
            if (!expectArgs(0)) return fail("end takes nothing");
            a.kind = Kind::End;
            entries.push_back({a, 1});
        } else {
            return fail("unknown action '" + verb + "'");
        }
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& l, const Entry& r) {
        if (l.action.tick != r.action.tick) return l.action.tick < r.action.tick;
        return l.phase < r.phase;
    });
    actions.clear();
    for (const Entry& e : entries) actions.push_back(e.action);
    return true;
}

bool InputScript::needsSdl() const {
    for (const Action& a : actions)
        if (a.kind == Kind::KeyDown || a.kind == Kind::KeyUp || a.kind == Kind::PadDetach || a.kind == Kind::PadAttach)
            return true;
    return false;
}

bool InputScript::load(const std::string& path, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path + ": cannot be read";
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return parse(text.str(), path, error);
}

}  // namespace hc
