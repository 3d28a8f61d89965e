#include "setup_session.h"

#include "frm_main.h"
#include "window_operations.h"

namespace kteval::ui {

bool applySetup(FrmMain& window, WindowOperations& operations, const std::string& path,
                const std::vector<remote::SetupLine>& lines) {
    const std::optional<remote::SetupFailure> failure = remote::runSetup(operations, lines);
    if (!failure) return true;
    window.prompt().message(QString::fromStdString(remote::setupFailureMessage(path, *failure)),
                            QStringLiteral("Setup Refused"), Prompt::Icon::Exclamation);
    return false;
}

}  // namespace kteval::ui
