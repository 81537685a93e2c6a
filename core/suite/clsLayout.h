#pragma once
// Plover.clsLayout: a user's column widths, remembered per user, company and
// grid. fnLayoutPrefs applies the stored widths and from then on stores the
// widths the user gives the columns by dragging them.

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
