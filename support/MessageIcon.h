#pragma once

// The two icons of the program's message boxes.
enum class MessageIcon { Information, Warning };
