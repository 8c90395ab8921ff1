#include "tools/gamedrive/run_report.h"

#include <cstdio>

#include "app/application.h"
#include "scenes/game_scene.h"

namespace hc {

namespace {

std::string quote(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", u);
            out += buf;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

const char* sceneName(int kind) {
    switch (kind) {
    case SceneManager::kTitle: return "title";
    case SceneManager::kRanking: return "ranking";
    case SceneManager::kGame: return "game";
    default: return "unknown";
    }
}

}  // namespace

void RunReport::add(const std::string& key, long long value) { fields_.emplace_back(key, std::to_string(value)); }

void RunReport::add(const std::string& key, const std::string& value) { fields_.emplace_back(key, quote(value)); }

void RunReport::append(const RunReport& other) {
    fields_.insert(fields_.end(), other.fields_.begin(), other.fields_.end());
}

std::string RunReport::json() const {
    std::string out = "{";
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (i) out += ",";
        out += quote(fields_[i].first) + ":" + fields_[i].second;
    }
    return out + "}";
}

RunReport RunReport::describe(Application& app, int ticks, const std::string& exit) {
    RunReport r;
    r.add("ticks", ticks);
    r.add("exit", exit);
    r.add("scene", sceneName(app.scenes.sceneKind));
    r.add("endless", app.scenes.endlessMode);
    if (app.scenes.gameScene) describeGame(*app.scenes.gameScene, r);
    return r;
}

void describeGame(const GameScene& game, RunReport& report) {
    report.add("stage", static_cast<long long>(game.field.stageNumber));
    report.add("score", game.score);
    report.add("hitPoints", game.player.character ? game.player.character->hitPoints : 0);
    report.add("enemiesLeft", game.player.enemiesLeft);
}

}  // namespace hc
