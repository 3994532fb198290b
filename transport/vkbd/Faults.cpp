#include "vkbd/Faults.h"

namespace vkbd {

std::string Faults::Describe() const {
    if (!Any())
        return "none";
    std::string text;
    const auto add = [&](const std::string& part) {
        if (!text.empty())
            text += ", ";
        text += part;
    };
    if (dropAnswers)
        add("drop " + std::to_string(dropAnswers) + " answer(s)");
    if (refuse)
        add("refuse " + std::to_string(refuse) + " (0xFF)");
    if (badChecksum)
        add("answer " + std::to_string(badChecksum) + " with 0xFE");
    if (late)
        add(std::to_string(late) + " answer(s) " + std::to_string(lateBy.count()) + " ms late");
    if (spare && (dropAnswers || refuse || badChecksum || late))
        add("the above after " + std::to_string(spare) + " more command(s)");
    if (vanishAfter)
        add(std::string(vanishExits ? "exit" : "leave the bus") + " after " +
            std::to_string(*vanishAfter) + " more command(s)");
    if (corruptAfter)
        add("corrupt a write after " + std::to_string(*corruptAfter) + " more write(s)");
    return text;
}

} // namespace vkbd
