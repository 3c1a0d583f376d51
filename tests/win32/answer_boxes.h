#pragma once

#include <thread>
#include <vector>

#include "tools/installer_driver.h"

// Reads, on another thread, the boxes this process is about to show and presses the given
// buttons in turn, as a user would.
inline std::thread AnswerBoxes(std::vector<int> buttons, std::vector<e2e::BoxSeen>* seen) {
    return std::thread([buttons, seen] {
        for (int button : buttons) {
            e2e::BoxSeen box = e2e::WaitForProcessBox(GetCurrentProcessId(), nullptr, 5000);
            if (!box.box)
                return;
            seen->push_back(box);
            e2e::InstallerProcess::Press(box, button);
        }
    });
}
