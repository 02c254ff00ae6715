// Resource ids of the agent.
#pragma once

#define IDD_PASSWORD 101
#define IDE_PASSWORD 1001
#define IDT_PASSWORD_PROMPT 1002
