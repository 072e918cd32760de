#pragma once

#include <QRect>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

#include <sys/types.h>

// Watches an X server for the first top-level window that it has wholly drawn, through the
// DAMAGE extension: every window created on the root gets a damage record as soon as it exists,
// and a window counts as drawn once it is mapped and the areas drawn into it cover it whole.
// The end mark is the moment this client hears of the last of those areas, after the server
// has drawn them.
class DrawnWindowWatch {
public:
    struct Drawn {
        std::chrono::steady_clock::time_point at;
        QRect geometry;
        QString title;
    };

    // Connects to `display`; throws std::runtime_error when it cannot or the server lacks DAMAGE.
    explicit DrawnWindowWatch(const QString& display);
    ~DrawnWindowWatch();
    DrawnWindowWatch(const DrawnWindowWatch&) = delete;
    DrawnWindowWatch& operator=(const DrawnWindowWatch&) = delete;

    // Forgets every window seen so far: only windows created after this call count.
    void reset();

    // Waits until a window is drawn whole, `child` ends or the time runs out.
    std::optional<Drawn> waitDrawn(pid_t child, std::chrono::milliseconds limit);

private:
    struct Server;
    std::unique_ptr<Server> server_;
};
