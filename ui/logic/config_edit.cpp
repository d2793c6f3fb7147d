#include "ui/logic/config_edit.h"

namespace qv {

TGeneralValues GeneralValuesOf(const TConfigData& stored, bool start_at_login) {
  TGeneralValues values;
  values.wait_minutes = stored.wait_minutes();
  values.suspend_minutes = stored.suspend_millis() / 60000;
  values.priority = stored.priority();
  values.min_minutes_to_wait = stored.min_minutes_to_wait();
  values.switches = stored.switches;
  values.start_at_login = start_at_login;
  return values;
}

}  // namespace qv
