// Configuration records: the record base, INI and XML forms, every record, the exposure
// calculations. The XML forms take Xerces-C DOM nodes, so this header needs Xerces-C's.
#pragma once

#include "qlcos/config/color_balance_cfg.h"
#include "qlcos/config/config_base.h"
#include "qlcos/config/controller_cfg.h"
#include "qlcos/config/gamma_table_cfg.h"
#include "qlcos/config/lcos_ctrl_cfg.h"
#include "qlcos/config/paper_size_cfg.h"
#include "qlcos/config/paper_style_cfg.h"
#include "qlcos/config/photo_position_cfg.h"
#include "qlcos/config/port_property.h"
#include "qlcos/config/profile_functions.h"
#include "qlcos/config/xml_attribute.h"
#include "qlcos/density/density_ctrl_cfg.h"
#include "qlcos/module_path.h"
