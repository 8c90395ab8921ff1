#pragma once
// The one line of JSON the driver prints at exit.
#include <string>
#include <vector>

namespace hc {

class Application;
class GameScene;

class RunReport {
public:
    void add(const std::string& key, long long value);
    void add(const std::string& key, const std::string& value);
    void append(const RunReport& other);
    std::string json() const;

    // Everything the driver reports about a finished run.
    static RunReport describe(Application& app, int ticks, const std::string& exit);

private:
    std::vector<std::pair<std::string, std::string>> fields_;  // key, encoded value
};

// The run's own figures while a game scene exists (stage, score, hit points, enemies left).
void describeGame(const GameScene& game, RunReport& report);

}  // namespace hc
