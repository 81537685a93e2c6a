#pragma once
// Plover.clsLayout: a user's column widths, remembered per user, company and
// grid. fnLayoutPrefs applies the stored widths and from then on stores the
// widths the user gives the columns by dragging them. Widths are a preference:
// when they cannot be read or stored (a read-only database) the failure goes
// to the log (category pettycash.layout) and the window goes on; false then.

#include <QObject>

namespace pcp {

class clsLayout : public QObject {
    Q_OBJECT
  public:
    explicit clsLayout(QObject* parent = nullptr) : QObject(parent) {}
    Q_INVOKABLE bool fnLayoutPrefs(int userId, int companyId, QObject* grid, QObject* connection,
                                   bool flag);
};

}  // namespace pcp
