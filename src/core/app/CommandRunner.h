#pragma once

#include <functional>

namespace tq {

class Interaction;

// Runs the core work of one command. A failure ends the command with its one
// message: a file error and a database held by another program show their
// own text (they name the file), any other error "运行中发生错误：" + its
// text + ",请与软件发行者联系。". The progress window is closed however the
// work ends. Returns true when the work ran to its end.
bool runCommand(Interaction &ui, const std::function<void()> &work);

} // namespace tq
