pl-app-record 1
signature application/x-vnd.Example-App
executable /usr/bin/ExampleApp
library /usr/lib/libExampleApp.so
flags 2
type image
type video/mp4
