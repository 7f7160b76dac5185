// Rings: list items with a label and a value (int or double).
#include "rt_core.h"

#include <QComboBox>
#include <QSignalBlocker>

#include <cmath>

namespace uirt
{

int ringIndexOfValue(QComboBox *box, double value)
{
    int best = -1;
    double bestDiff = 0;
    for (int i = 0; i < box->count(); ++i) {
        const double v = box->itemData(i).toDouble();
        const double diff = std::fabs(v - value);
        const double tol = 1e-9 * std::max(std::fabs(v), std::fabs(value));
        if (diff <= tol && (best < 0 || diff < bestDiff)) {
            best = i;
            bestDiff = diff;
        }
    }
    return best;
}

} // namespace uirt

using namespace uirt;

namespace
{

QComboBox *ring(int panelHandle, int id, Control **ctrl, int *err)
{
    Panel *p = panel(panelHandle);
    if (!p) {
        *err = UIE_BAD_PANEL;
        return nullptr;
    }
    Control *c = control(p, id);
    if (!c) {
        *err = UIE_BAD_CONTROL;
        return nullptr;
    }
    auto *box = c->type == ControlType::Ring ? qobject_cast<QComboBox *>(c->widget.data()) : nullptr;
    if (!box) {
        *err = UIE_BAD_TYPE;
        return nullptr;
    }
    if (ctrl)
        *ctrl = c;
    return box;
}

int insertItem(int panelHandle, int id, int index, const char *label, double value, bool fromInteger)
{
    int err = 0;
    Control *c = nullptr;
    QComboBox *box = ring(panelHandle, id, &c, &err);
    if (!box)
        return err;
    if (!std::isfinite(value))
        return UIE_BAD_VALUE;
    if (c->dataType == VAL_INTEGER && !fromInteger) {
        if (value != std::round(value) || std::fabs(value) > 2147483647.0)
            return UIE_BAD_TYPE;
    }
    if (index == -1)
        index = box->count();
    if (index < 0 || index > box->count())
        return UIE_BAD_INDEX;
    const QSignalBlocker block(box);
    box->insertItem(index, label ? QString::fromUtf8(label) : QString(), value);
    return 0;
}

} // namespace

int InsertListItem(int panelHandle, int id, int index, const char *label, int value)
{
    return insertItem(panelHandle, id, index, label, value, true);
}

int InsertListItem(int panelHandle, int id, int index, const char *label, double value)
{
    return insertItem(panelHandle, id, index, label, value, false);
}

int DeleteListItem(int panelHandle, int id, int index, int count)
{
    int err = 0;
    QComboBox *box = ring(panelHandle, id, nullptr, &err);
    if (!box)
        return err;
    const int n = box->count();
    if (index < 0 || index >= n)
        return n == 0 && index == 0 && count == -1 ? 0 : UIE_BAD_INDEX;
    if (count == -1 || count > n - index)
        count = n - index;
    if (count < 0)
        return UIE_BAD_VALUE;
    const QSignalBlocker block(box);
    for (int i = 0; i < count; ++i)
        box->removeItem(index);
    return 0;
}

int ClearListCtrl(int panelHandle, int id)
{
    int err = 0;
    QComboBox *box = ring(panelHandle, id, nullptr, &err);
    if (!box)
        return err;
    const QSignalBlocker block(box);
    box->clear();
    return 0;
}

int SetCtrlIndex(int panelHandle, int id, int index)
{
    int err = 0;
    QComboBox *box = ring(panelHandle, id, nullptr, &err);
    if (!box)
        return err;
    if (index < 0 || index >= box->count())
        return UIE_BAD_INDEX;
    const QSignalBlocker block(box);
    box->setCurrentIndex(index);
    return 0;
}

int GetCtrlIndex(int panelHandle, int id, int *index)
{
    int err = 0;
    QComboBox *box = ring(panelHandle, id, nullptr, &err);
    if (!box)
        return err;
    if (!index)
        return UIE_BAD_VALUE;
    *index = box->currentIndex();
    return 0;
}

int GetNumListItems(int panelHandle, int id, int *count)
{
    int err = 0;
    QComboBox *box = ring(panelHandle, id, nullptr, &err);
    if (!box)
        return err;
    if (!count)
        return UIE_BAD_VALUE;
    *count = box->count();
    return 0;
}

int GetLabelFromIndex(int panelHandle, int id, int index, char *label)
{
    int err = 0;
    QComboBox *box = ring(panelHandle, id, nullptr, &err);
    if (!box)
        return err;
    if (!label)
        return UIE_BAD_VALUE;
    if (index < 0 || index >= box->count())
        return UIE_BAD_INDEX;
    copyOut(box->itemText(index), label, 256);
    return 0;
}

int GetValueFromIndex(int panelHandle, int id, int index, int *value)
{
    int err = 0;
    Control *c = nullptr;
    QComboBox *box = ring(panelHandle, id, &c, &err);
    if (!box)
        return err;
    if (!value)
        return UIE_BAD_VALUE;
    if (c->dataType != VAL_INTEGER)
        return UIE_BAD_TYPE;
    if (index < 0 || index >= box->count())
        return UIE_BAD_INDEX;
    *value = static_cast<int>(box->itemData(index).toDouble());
    return 0;
}

int GetValueFromIndex(int panelHandle, int id, int index, double *value)
{
    int err = 0;
    QComboBox *box = ring(panelHandle, id, nullptr, &err);
    if (!box)
        return err;
    if (!value)
        return UIE_BAD_VALUE;
    if (index < 0 || index >= box->count())
        return UIE_BAD_INDEX;
    *value = box->itemData(index).toDouble();
    return 0;
}

int GetIndexFromValue(int panelHandle, int id, int *index, int value)
{
    return GetIndexFromValue(panelHandle, id, index, static_cast<double>(value));
}

int GetIndexFromValue(int panelHandle, int id, int *index, double value)
{
    int err = 0;
    QComboBox *box = ring(panelHandle, id, nullptr, &err);
    if (!box)
        return err;
    if (!index)
        return UIE_BAD_VALUE;
    const int i = ringIndexOfValue(box, value);
    *index = i;
    return i < 0 ? UIE_BAD_VALUE : 0;
}
