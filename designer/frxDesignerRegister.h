#pragma once
// Makes the designer window the one a report's OpenDesigner opens. Called once at start-up by
// every program that lets its user design layouts.

void frxRegisterDesigner();
