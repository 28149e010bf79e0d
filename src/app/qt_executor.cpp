#include "app/qt_executor.h"

namespace norvane {

void QtExecutor::post(Task task)
{
    QMetaObject::invokeMethod(receiver_, std::move(task), Qt::QueuedConnection);
}

} // namespace norvane
