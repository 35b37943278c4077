#include "app/CommandRunner.h"

#include "common/Error.h"
#include "common/Interaction.h"
#include "db/DbError.h"

#include <exception>
#include <new>

namespace tq {

bool runCommand(Interaction &ui, const std::function<void()> &work)
{
    QString failure;
    try {
        work();
        ui.progress().finish();
        return true;
    } catch (const FileError &e) {
        failure = e.text();
    } catch (const db::DatabaseBusyError &e) {
        // Another copy of the program has the file: nothing to report to the
        // publisher, the user only has to wait or close the other copy.
        failure = e.text();
    } catch (const Error &e) {
        failure = generalErrorMessage(e.text());
    } catch (const std::bad_alloc &) {
        failure = generalErrorMessage(QStringLiteral("内存不足"));
    } catch (const std::exception &e) {
        failure = generalErrorMessage(QString::fromLocal8Bit(e.what()));
    }
    // The window goes before the message, so that the message is not hidden
    // behind a progress window that stays on top.
    ui.progress().finish();
    ui.message(failure);
    return false;
}

} // namespace tq
